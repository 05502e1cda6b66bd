'use strict';
// The page as a visitor meets it: the lines beneath the canvas, the title,
// the canvas, keys and mouse, and the line saying how the program ended.
const { open } = require('./driver.js');

const startup = [
  '____ Scene: Load vertex shader: /trevalin/shader/basic.vert', '____ Scene: Load fragment shader: /trevalin/shader/basic.frag',
  '____ Scene: Scene prepare', '____ Scene: Scene init', 'Scene: load textures', 'Texture: _ID:0x[0-9a-f]+ - unit:0',
  'Texture: Loading Quenlith.app/Contents/Resources/texture1.png', 'Scene: load models', 'Mesh: Loading /trevalin/models/cat.ply',
  'Vertices: 4162', 'Properties: 8', 'Triangles: 6912', 'Mesh: PLY loading: \\d+ms',
  'Mesh: Tangents calculations \\(with classes\\): \\d+ms', '____ Main: Init OK', '____ Main: Init OK!'];
const near = (a, b) => a.every((v, i) => Math.abs(v - b[i]) <= 2);

// Polls until the page shows what is asked; then its lines (standard error
// marked "!") and its status line.
async function until(page, test, arg) {
  await page.waitForFunction(test, arg, { timeout: 60000, polling: 50 });
  return page.evaluate(() => [[...document.querySelectorAll('#console div')].map((d) => (d.className ? '!' : '') + d.textContent),
    document.getElementById('status').textContent]);
}
const shown = (page, line, count = 1) =>
  until(page, ([l, n]) => [...document.querySelectorAll('#console div')].filter((d) => d.textContent === l).length >= n, [line, count]);
const ended = (page) => until(page, () => /ended/.test(document.getElementById('status').textContent));

// The colours at points of the canvas as the page shows it.
async function colours(page, points) {
  const png = (await page.locator('#canvas').screenshot()).toString('base64');
  return page.evaluate(async ([data, at]) => {
    const image = Object.assign(new Image(), { src: 'data:image/png;base64,' + data });
    await image.decode();
    const context = Object.assign(document.createElement('canvas'), { width: 800, height: 600 }).getContext('2d');
    context.drawImage(image, 0, 0);
    return at.map(([x, y]) => [...context.getImageData(x, y, 1, 1).data.slice(0, 3)]);
  }, [png, points]);
}

const cases = {
  async startup(page, [lines]) {
    if (lines.length !== startup.length || !startup.every((l, i) => new RegExp(`^${l}$`).test(lines[i]))) throw lines;
    if ((await page.title()) !== 'Trevalin v0.2') throw await page.title();
    const box = await page.locator('#canvas').boundingBox();
    if (box.width !== 800 || box.height !== 600) throw box;
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
    await shown(page, 'Main: Left MOUSE button pressed:');
    await page.mouse.down({ button: 'right' });
    const [lines] = await shown(page, 'Main: Left MOUSE button pressed:', 2);
    const want = 'x space 1 2 3 4 r y z'.split(' ').map((k) => `Main: ${k} pressed:`).concat(Array(2).fill('Main: Left MOUSE button pressed:'));
    if (lines.slice(startup.length).join('\n') !== want.join('\n')) throw lines;
  },
  quit_with_q: (page) => quitWith(page, 'q'),
  quit_with_escape: (page) => quitWith(page, 'Escape'),
  async missing_model(page, [lines, status]) {
    const errors = lines.filter((l) => l[0] === '!').join('\n');
    if (status !== 'The program ended with status 1.' || errors !== '!Mesh::LoadPly - No such file!\n!Main: Error: Init failed!') throw [lines, status];
  },
};

async function quitWith(page, key) {
  await page.keyboard.press(key);
  const [lines, status] = await ended(page);
  if (status !== 'The program ended with status 0.' || lines.some((l) => l[0] === '!')) throw [lines, status];
}

// Runs the case on the page in site: 0 when it passes.
async function run(site, name) {
  const page = await open(site);
  // The model is taken out of the page's files before the program starts.
  if (name === 'missing_model') await page.addInitScript(() => (window.Module = { onRuntimeInitialized: () => FS.unlink('/trevalin/models/cat.ply') }));
  await page.goto(page.home + 'index.html');
  await cases[name](page, await until(page, () => /Init OK!|ended/.test(document.body.textContent)));
  await page.end();
  return 0;
}

module.exports = { run };
