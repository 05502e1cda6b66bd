'use strict';
// Web programs in headless Chromium, served over HTTP from their folder:
//   driver.js PROGRAM.js [ARG...]   a test program (CTest's emulator): its
//                                   output, then its exit status as its own
//   driver.js SITE CASE             an end-to-end case of the page in SITE
const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// The files of root, and pages given by path.
function serve(root, pages) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    const file = path.join(root, path.normalize(name));
    const reply = (error, data) => {
      response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    };
    if (name in pages) reply(null, pages[name]);
    else fs.readFile(file, reply);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// A browser page on the served folder; lines: what the program printed.
async function open(root, pages = {}) {
  const server = await serve(root, pages);
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'],
  });
  const page = await browser.newPage({ viewport: { width: 1000, height: 900 } });
  const lines = [];
  const line = (err, text) => (process.env.TREVALIN_WEB_ECHO ? console.error(text) : lines.push({ err, text }));
  page.on('console', (m) => line(m.type() === 'error' || m.type() === 'warning', m.text()));
  // An error thrown in the page ends the program there.
  page.on('pageerror', (e) => {
    line(true, 'page error: ' + e.message);
    page.evaluate(() => (window.ended = 1)).catch(() => {});
  });
  const close = () => browser.close().then(() => server.close());
  return { page, lines, close, url: `http://127.0.0.1:${server.address().port}/` };
}

async function runProgram(program, args) {
  const script = JSON.stringify(path.basename(program));
  const html = `<canvas id="canvas" width="800" height="600"></canvas><script>
    var Module = { arguments: ${JSON.stringify(args)}, canvas: document.getElementById('canvas'),
      print: (t) => console.log(t), printErr: (t) => console.error(t),
      onExit: (code) => { window.ended = code; }, onAbort: () => { window.ended = 134; } };
    </script><script src=${script}></script>`;
  const { page, lines, close, url } = await open(path.dirname(program), { '/run.html': html });
  await page.goto(url + 'run.html');
  await page.waitForFunction(() => window.ended !== undefined, null, { timeout: 0, polling: 50 });
  const status = await page.evaluate(() => window.ended);
  await close();
  for (const line of lines) (line.err ? process.stderr : process.stdout).write(line.text + '\n');
  return status;
}

module.exports = { open };

if (require.main === module) {
  const [first, ...rest] = process.argv.slice(2);
  const done = first.endsWith('.js') ? runProgram(path.resolve(first), rest) : require('./page_cases.js').run(first, rest[0]);
  done.then((status) => process.exit(status), (error) => { console.error(error); process.exit(1); });
}
