'use strict';
// The page as a visitor meets it: its console lines, title, canvas, keys and
// mouse, and its end. Each case is a CTest test: driver.js SITE CASE.
const { open } = require('./driver.js');

const clearColour = [76, 230, 128];
const startup = [
  '____ Scene: Load vertex shader: /trevalin/shader/basic.vert',
  '____ Scene: Load fragment shader: /trevalin/shader/basic.frag',
  '____ Scene: Scene prepare', '____ Scene: Scene init', 'Scene: load textures', /^Texture: _ID:0x[0-9a-f]+ - unit:0$/,
  'Texture: Loading Quenlith.app/Contents/Resources/texture1.png', 'Scene: load models',
  'Mesh: Loading /trevalin/models/cat.ply', 'Vertices: 4162', 'Properties: 8', 'Triangles: 6912',
  /^Mesh: PLY loading: \d+ms$/, /^Mesh: Tangents calculations \(with classes\): \d+ms$/,
  '____ Main: Init OK', '____ Main: Init OK!',
];

function check(ok, what, page) {
  if (!ok) throw new Error(`${what}\n--- lines\n${page.shown.map((l) => l.text).join('\n')}`);
}
const same = (line, want) => (typeof want === 'string' ? line === want : want.test(line));
const near = (a, b) => a.every((v, i) => Math.abs(v - b[i]) <= 2);

// The page's lines beneath the canvas, and its status line.
async function read(page) {
  page.shown = await page.$$eval('#console div', (ds) => ds.map((d) => ({ text: d.textContent, err: d.className === 'err' })));
  page.status = await page.textContent('#status');
  return page;
}
const out = (page) => page.shown.filter((l) => !l.err).map((l) => l.text);
const until = (page, fn, arg) => page.waitForFunction(fn, arg, { timeout: 60000, polling: 50 }).then(() => read(page));
const lineShown = (page, text, count = 1) =>
  until(page, ([t, n]) => [...document.querySelectorAll('#console div')].filter((d) => d.textContent === t).length >= n, [text, count]);
const ended = (page) => until(page, () => /ended|stopped/.test(document.getElementById('status').textContent));

// The page started from site; before: a function run in the page before the program.
async function start(site, before) {
  const session = await open(site);
  if (before) await session.page.addInitScript(before);
  await session.page.goto(session.url + 'index.html');
  await until(session.page, () => /Init OK!|ended|stopped/.test(document.body.textContent));
  return session;
}

// The colours at x, y of the canvas as the page shows it.
async function colours(page, points) {
  const png = (await page.locator('#canvas').screenshot()).toString('base64');
  return page.evaluate(async ([data, at]) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + data;
    await image.decode();
    const canvas = Object.assign(document.createElement('canvas'), { width: image.width, height: image.height });
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return at.map(([x, y]) => Array.from(context.getImageData(x, y, 1, 1).data.slice(0, 3)));
  }, [png, points]);
}

const cases = {
  async startup({ page }) {
    check(startup.every((want, i) => same(out(page)[i], want)) && out(page).length === startup.length, 'start-up lines', page);
    check(page.shown.every((l) => !l.err), 'standard error', page);
    check((await page.title()) === 'Trevalin v0.2', 'caption: ' + (await page.title()), page);
    const box = await page.locator('#canvas').boundingBox();
    check(box.width === 800 && box.height === 600, `canvas ${box.width}x${box.height}`, page);
  },
  async picture({ page }) {
    const [corner, centre] = await colours(page, [[5, 5], [413, 299]]);
    check(near(corner, clearColour) && !near(centre, clearColour), `corner ${corner}, centre ${centre}`, page);
    const first = await colours(page, [[413, 299], [380, 260], [440, 340]]);
    let turned = false;
    for (let tries = 0; !turned && tries < 100; ++tries) turned = !(await colours(page, [[413, 299], [380, 260], [440, 340]])).every((c, i) => near(c, first[i]));
    check(turned, 'the picture does not turn', page);
  },
  async input({ page }) {
    for (const key of ['x', 'Space', '1', '2', '3', '4', 'r', 'Shift+Y', 'Shift+Z', 'a', 'Enter']) await page.keyboard.press(key);
    await lineShown(page, 'Main: z pressed:');
    const box = await page.locator('#canvas').boundingBox();
    await page.mouse.move(box.x + 400, box.y + 300);
    await page.mouse.down({ button: 'left' });
    await lineShown(page, 'Main: Left MOUSE button pressed:');
    await page.mouse.down({ button: 'right' });
    await lineShown(page, 'Main: Left MOUSE button pressed:', 2);
    await page.mouse.up({ button: 'right' });
    await page.mouse.up({ button: 'left' });
    const want = ['x', 'space', '1', '2', '3', '4', 'r', 'y', 'z'].map((k) => `Main: ${k} pressed:`);
    want.push(...Array(2).fill('Main: Left MOUSE button pressed:'));
    check(JSON.stringify(out(page).slice(startup.length)) === JSON.stringify(want), 'input lines', page);
  },
  quit_with_q: ({ page }) => quitWith(page, 'q'),
  quit_with_escape: ({ page }) => quitWith(page, 'Escape'),
  async missing_model({ page }) {
    await ended(page);
    check(page.status === 'The program ended with status 1.', page.status, page);
    const errors = page.shown.filter((l) => l.err).map((l) => l.text);
    check(errors.join('|') === 'Mesh::LoadPly - No such file!|Main: Error: Init failed!', 'standard error', page);
  },
};

async function quitWith(page, key) {
  await page.keyboard.press(key);
  await ended(page);
  check(page.status === 'The program ended with status 0.', page.status, page);
  check(page.shown.every((l) => !l.err), 'standard error', page);
}

// The model is taken out of the page's files before the program starts.
const before = {
  missing_model: () => {
    window.Module = { onRuntimeInitialized: () => FS.unlink('/trevalin/models/cat.ply') };
  },
};

async function run(site, name) {
  const session = await start(site, before[name]);
  try {
    await read(session.page);
    await cases[name](session);
    console.log(`passed: ${name}`);
    return 0;
  } finally {
    await session.close();
  }
}

module.exports = { run };
