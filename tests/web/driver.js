'use strict';
// Web programs in headless Chromium, served over HTTP from their folder.
// driver.js PROGRAM.js [ARG...] runs a test program as CTest's emulator: its
// output, then its status as its own. driver.js SITE CASE runs a page case.
const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const runPage = (program, args) => `<link rel="icon" href="data:,"><canvas id="canvas" width="800" height="600"></canvas><script>
  var Module = { arguments: ${JSON.stringify(args)}, canvas: document.getElementById('canvas'),
    print: console.log, printErr: console.error, onExit: (code) => { window.ended = code; } };
  </script><script src="${path.basename(program)}"></script>`;

const launch = () => chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--enable-unsafe-swiftshader'] });

// A page on the files of root (and /run.html, a page of its own), in a browser of its own or in a
// new context of the one given; an error thrown in it ends its program there.
async function open(root, run = '', shared = null) {
  const server = http.createServer((request, response) => {
    const file = path.join(root, path.normalize(decodeURIComponent(new URL(request.url, 'http://h').pathname)));
    const reply = (error, data) => response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' }).end(data);
    file === path.join(root, 'run.html') ? reply(null, run) : fs.readFile(file, reply);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const context = await (shared || (await launch())).newContext();
  const page = await context.newPage();
  page.on('pageerror', (e) => page.evaluate((m) => console.error(m) || (window.ended = 1), e.message).catch(() => {}));
  const end = () => (shared ? context.close() : context.browser().close()).then(() => server.close());
  return Object.assign(page, { home: `http://127.0.0.1:${server.address().port}/`, end });
}

async function runProgram(program, args) {
  const page = await open(path.dirname(program), runPage(program, args));
  page.on('console', (m) => (m.type() === 'log' ? process.stdout : process.stderr).write(m.text() + '\n'));
  await page.goto(page.home + 'run.html');
  const ended = await page.waitForFunction(() => 'ended' in window && [window.ended], null, { timeout: 0, polling: 50 });
  const [status] = await ended.jsonValue();
  await page.end();
  return status;
}

// The page's cases, as a visitor meets it: its lines, title, canvas, keys, mouse and end.

const startup = [
  '____ Scene: Load vertex shader: /trevalin/shader/basic.vert', '____ Scene: Load fragment shader: /trevalin/shader/basic.frag',
  '____ Scene: Scene prepare', '____ Scene: Scene init', 'Scene: load textures', 'Texture: _ID:0x[0-9a-f]+ - unit:0',
  'Texture: Loading Quenlith.app/Contents/Resources/texture1.png', 'Scene: load models', 'Mesh: Loading /trevalin/models/cat.ply',
  'Vertices: 4162', 'Properties: 8', 'Triangles: 6912', 'Mesh: PLY loading: \\d+ms',
  'Mesh: Tangents calculations \\(with classes\\): \\d+ms', '____ Main: Init OK', '____ Main: Init OK!'];
const near = (a, b) => a.every((v, i) => Math.abs(v - b[i]) <= 2);

// Polls until the page's text holds the pattern count times; then its lines
// (standard error marked "!") and its status line.
async function until(page, pattern, count = 1) {
  await page.waitForFunction(([p, n]) => document.body.textContent.split(new RegExp(p)).length > n, [pattern, count],
    { timeout: 60000, polling: 50 });
  return page.evaluate(() => [[...document.querySelectorAll('#console div')].map((d) => (d.className ? '!' : '') + d.textContent),
    document.getElementById('status').textContent]);
}

// The colours at points of the canvas as the page shows it.
async function colours(page, points) {
  const png = (await page.locator('#canvas').screenshot()).toString('base64');
  return page.evaluate(async ([data, at]) => {
    const image = await createImageBitmap(await (await fetch('data:image/png;base64,' + data)).blob());
    const context = Object.assign(document.createElement('canvas'), { width: 800, height: 600 }).getContext('2d');
    context.drawImage(image, 0, 0);
    return at.map(([x, y]) => [...context.getImageData(x, y, 1, 1).data.slice(0, 3)]);
  }, [png, points]);
}

const cases = {
  async startup(page, [lines]) {
    if (!new RegExp(`^${startup.join('\n')}$`).test(lines.join('\n'))) throw lines;
    const { width, height } = await page.locator('#canvas').boundingBox();
    if ([await page.title(), width, height].join() !== 'Trevalin v0.2,800,600') throw [await page.title(), width, height];
  },
  async picture(page) {
    const points = [[5, 5], [413, 299], [380, 260], [440, 340]], first = await colours(page, points);
    if (!near(first[0], [76, 230, 128]) || near(first[1], [76, 230, 128])) throw first;
    for (let tries = 0; tries < 100; ++tries) if (!(await colours(page, points)).every((c, i) => near(c, first[i]))) return;
    throw 'the picture does not turn';
  },
  async input(page) {
    for (const key of ['x', 'Space', '1', '2', '3', '4', 'r', 'Shift+Y', 'Shift+Z', 'a', 'Enter']) await page.keyboard.press(key);
    await page.mouse.move(400, 300);
    await page.mouse.down({ button: 'left' });
    await page.mouse.down({ button: 'right' });
    const [lines] = await until(page, 'Left MOUSE', 2);
    const want = 'x space 1 2 3 4 r y z'.split(' ').map((k) => `Main: ${k} pressed:`).concat(Array(2).fill('Main: Left MOUSE button pressed:'));
    if (lines.slice(startup.length).join('\n') !== want.join('\n')) throw lines;
  },
  quit_with_q: (page) => ends(page, 'q', 0, []),
  quit_with_escape: (page) => ends(page, 'Escape', 0, []),
  missing_model: (page) => ends(page, null, 1, ['!Mesh::LoadPly - No such file!', '!Main: Error: Init failed!']),
};

// After the key, if any: the status line and the lines of standard error.
async function ends(page, key, status, errors) {
  if (key) await page.keyboard.press(key);
  const [lines, last] = await until(page, 'ended');
  const got = [last, ...lines.filter((l) => l[0] === '!')].join('\n');
  if (got !== [`The program ended with status ${status}.`, ...errors].join('\n')) throw got;
}

async function runCase(site, name) {
  const page = await open(site);
  // The model is taken out of the page's files before the program starts.
  if (name === 'missing_model') await page.addInitScript(() => (window.Module = { onRuntimeInitialized: () => FS.unlink('/trevalin/models/cat.ply') }));
  await page.goto(page.home + 'index.html');
  await cases[name](page, await until(page, 'Init OK!|ended'));
  await page.end();
  return 0;
}

module.exports = { launch, open };

if (require.main === module) {
  const [first, ...rest] = process.argv.slice(2);
  const run = first.endsWith('.js') ? runProgram(path.resolve(first), rest) : runCase(first, rest[0]);
  run.then(process.exit, (error) => console.error(error) || process.exit(1));
}
