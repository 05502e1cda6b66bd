'use strict';
// Page load to first frame: the page in SITE against the bare SDL page
// (bare_page.js beside it), each loaded RUNS times in headless Chromium; the
// first frame is the program's first wait for the browser's next frame,
// after it has drawn and swapped. Prints the medians and their ratio.
//   NODE_PATH=... node web_first_frame.js SITE BARE_FOLDER [RUNS]
const path = require('path');
const { open } = require(path.join(__dirname, '../tests/web/driver.js'));

const firstWait = () => {
  const wait = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (f) => {
    if (window.firstFrame === undefined && window.Module && Module.calledRun) window.firstFrame = performance.now();
    return wait(f);
  };
};

const bare = '<canvas id="canvas" width="800" height="600"></canvas><script>var Module = { canvas: document.getElementById("canvas") };</script><script src="bare_page.js"></script>';

async function timeOnce(folder, name) {
  const page = await open(folder, bare);
  await page.addInitScript(firstWait);
  await page.goto(page.home + name);
  await page.waitForFunction(() => window.firstFrame !== undefined, null, { timeout: 60000, polling: 20 });
  const ms = await page.evaluate(() => window.firstFrame);
  await page.end();
  return ms;
}

const median = (xs) => xs.slice().sort((a, b) => a - b)[xs.length >> 1];

(async () => {
  const [site, bareFolder, runs = 7] = process.argv.slice(2);
  const page = [], plain = [];
  for (let r = 0; r < runs; ++r) {
    page.push(await timeOnce(site, 'index.html'));
    plain.push(await timeOnce(bareFolder, 'run.html'));
  }
  console.log(`first frame: page ${median(page).toFixed(0)} ms, bare SDL page ${median(plain).toFixed(0)} ms, ratio ${(median(page) / median(plain)).toFixed(2)} (medians of ${runs})`);
})();
