'use strict';
// Web programs in headless Chromium, served over HTTP from their folder:
//   driver.js PROGRAM.js [ARG...]   a test program (CTest's emulator): its
//                                   output, then its exit status as its own
//   driver.js SITE CASE             an end-to-end case of the page (page_cases.js)
const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const runPage = (program, args) => `<link rel="icon" href="data:,"><canvas id="canvas" width="800" height="600"></canvas><script>
  var Module = { arguments: ${JSON.stringify(args)}, canvas: document.getElementById('canvas'),
    print: console.log, printErr: console.error, onExit: (code) => { window.ended = code; } };
  </script><script src="${path.basename(program)}"></script>`;

// A page on the files of root (and /run.html, a page of its own); an error
// thrown in it ends its program there.
async function open(root, run = '') {
  const server = http.createServer((request, response) => {
    const file = path.join(root, path.normalize(decodeURIComponent(new URL(request.url, 'http://h').pathname)));
    const reply = (error, data) => {
      response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    };
    file === path.join(root, 'run.html') ? reply(null, run) : fs.readFile(file, reply);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--enable-unsafe-swiftshader'] });
  const page = await browser.newPage();
  page.on('pageerror', (e) => page.evaluate((m) => console.error(m) || (window.ended = 1), e.message).catch(() => {}));
  page.home = `http://127.0.0.1:${server.address().port}/`;
  page.end = () => browser.close().then(() => server.close());
  return page;
}

async function runProgram(program, args) {
  const page = await open(path.dirname(program), runPage(program, args));
  page.on('console', (m) => (m.type() === 'log' ? process.stdout : process.stderr).write(m.text() + '\n'));
  await page.goto(page.home + 'run.html');
  await page.waitForFunction(() => window.ended !== undefined, null, { timeout: 0, polling: 50 });
  const status = await page.evaluate(() => window.ended);
  await page.end();
  return status;
}

module.exports = { open };

if (require.main === module) {
  const [first, ...rest] = process.argv.slice(2);
  const run = first.endsWith('.js') ? runProgram(path.resolve(first), rest) : require('./page_cases.js').run(first, rest[0]);
  run.then(process.exit, (error) => console.error(error) || process.exit(1));
}
