'use strict';
// Page load to first frame: the page in SITE against the bare SDL page
// (bare_page.js beside it), each loaded RUNS times in turn, after one load
// of each to start the browser's processes, as a visitor's first visit in a
// running headless Chromium: a new context each time, with nothing cached.
// The first frame is the program's first wait for the browser's next frame,
// after it has drawn and swapped. Prints the medians, their ratio and, of
// each, the part after the runtime is ready (the program's own start: the
// rest is fetching and compiling).
//   NODE_PATH=... node web_first_frame.js SITE BARE_FOLDER [RUNS]
const path = require('path');
const { launch, open } = require(path.join(__dirname, '../tests/web/driver.js'));

const timing = () => {
  const wait = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (f) => {
    if (window.firstFrame === undefined && window.Module && Module.calledRun) window.firstFrame = performance.now();
    return wait(f);
  };
  window.Module = { onRuntimeInitialized: () => (window.runtimeReady = performance.now()) };
};

const bare = '<canvas id="canvas" width="800" height="600"></canvas><script>Module.canvas = document.getElementById("canvas");</script><script src="bare_page.js"></script>';

async function timeOnce(browser, folder, name) {
  const page = await open(folder, bare, browser);
  await page.addInitScript(timing);
  await page.goto(page.home + name);
  await page.waitForFunction(() => window.firstFrame !== undefined, null, { timeout: 60000, polling: 20 });
  const times = await page.evaluate(() => [window.firstFrame, window.firstFrame - window.runtimeReady]);
  await page.end();
  return times;
}

const sorted = (xs) => xs.slice().sort((a, b) => a - b);
const median = (xs) => sorted(xs)[xs.length >> 1];
const ms = (x) => `${x.toFixed(0)} ms`;
const middleHalf = (xs) => [xs.length >> 2, (3 * xs.length) >> 2].map((i) => sorted(xs)[i].toFixed(2));

(async () => {
  const [site, bareFolder, runs = 7] = process.argv.slice(2);
  const browser = await launch();
  const page = [], plain = [];
  for (let r = -1; r < runs; ++r) {
    const times = [await timeOnce(browser, site, 'index.html'), await timeOnce(browser, bareFolder, 'run.html')];
    if (r >= 0) page.push(times[0]), plain.push(times[1]);
  }
  await browser.close();
  const [p, b] = [page, plain].map((t) => [0, 1].map((i) => median(t.map((x) => x[i]))));
  console.log(`first frame: page ${ms(p[0])}, bare SDL page ${ms(b[0])}, ratio ${(p[0] / b[0]).toFixed(2)} (medians of ${runs})`);
  console.log(`  each run's page / bare page, middle half: ${middleHalf(page.map((t, i) => t[0] / plain[i][0])).join(' to ')}`);
  console.log(`  of which after the runtime is ready: page ${ms(p[1])}, bare SDL page ${ms(b[1])}`);
})();
