// The page around the program: its standard output and error shown line by
// line beneath the canvas, then how it ended.
// Emscripten's own notes on its GL emulation and SDL are not the program's.
var notes = /^(WARNING: using emscripten GL|SDL_Quit called \(and ignored\)$)/;
var Module = Object.assign(window.Module || {}, {
  canvas: document.getElementById('canvas'),
  print: function (text) { if (!notes.test(text)) show(text, ''); },
  printErr: function (text) { if (!notes.test(text)) show(text, 'err'); },
  monitorRunDependencies: function (left) { if (!left) status('Running.'); },
  onExit: function (code) { status('The program ended with status ' + code + '.'); },
  onAbort: function (what) { status('The program stopped: ' + what); }
});
// Chromium lists empty gamepad slots as null, which Emscripten's SDL would
// count as joysticks it then cannot open.
if (navigator.getGamepads) {
  var gamepads = navigator.getGamepads.bind(navigator);
  navigator.getGamepads = function () { return Array.prototype.filter.call(gamepads(), Boolean); };
}
// The program's module is fetched and compiled while its script is still
// fetched and run, instead of once that script asks for it.
var compiled = fetch('trevalin.wasm', { credentials: 'same-origin' })
  .then(function (response) {
    if (!response.ok) throw 'trevalin.wasm: HTTP status ' + response.status;
    return response.arrayBuffer();
  })
  .then(function (bytes) { return WebAssembly.compile(bytes); });
compiled.catch(function () {});  // a failure is reported once the program asks for the module
Module.instantiateWasm = function (imports, receive) {
  compiled.then(function (module) {
    return WebAssembly.instantiate(module, imports).then(function (instance) { return [instance, module]; });
  }).then(function (made) { receive(made[0], made[1]); }, function (reason) { abort(reason); });
  return {};
};
// The program's WebGL context is made while the page still fetches the
// program instead of at its start, where it would wait for the browser's GPU
// process. (Enabling its extensions here as well cost the page's load more
// than it saved the program's start.)
// SDL then finds the canvas's context made and takes it, so it must have the
// attributes SDL asks for the program's window (alpha and depth, over
// Emscripten's defaults); a request for others is reported as an error.
(function () {
  var canvas = Module.canvas, made = { antialias: false, alpha: true, depth: true, stencil: false };
  var gl = canvas.getContext('webgl', made), getContext = canvas.getContext;
  if (!gl) return;
  canvas.getContext = function (type, asked) {
    for (var key in made) {
      if (type === 'webgl' && asked && asked[key] !== made[key]) {
        show('page.js: the program asks WebGL for ' + JSON.stringify(asked) + ', not ' + JSON.stringify(made), 'err');
        break;
      }
    }
    return getContext.apply(this, arguments);
  };
})();
function show(text, kind) {
  var line = document.createElement('div');
  line.className = kind;
  line.textContent = text;
  document.getElementById('console').appendChild(line);
}
function status(text) { document.getElementById('status').textContent = text; }
