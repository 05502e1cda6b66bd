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
function show(text, kind) {
  var line = document.createElement('div');
  line.className = kind;
  line.textContent = text;
  document.getElementById('console').appendChild(line);
}
function status(text) { document.getElementById('status').textContent = text; }
