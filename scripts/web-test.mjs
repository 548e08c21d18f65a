// The web build in a headless Chromium: the still pictures against the native render tool's,
// a whole run started by the address, the launcher, a browser without WebGL 2, a damaged and a
// missing data package, and the site's download size. Run by scripts/web-test, which finds the
// browser, installs playwright-core and serves the site.
//
// node web-test.mjs --modules DIR --browser PATH --build DIR --site DIR --url URL --out DIR --work DIR
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import zlib from 'node:zlib';

const options = {};
for (let i = 2; i < process.argv.length; i += 2) {
  options[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
}
for (const name of ['modules', 'browser', 'build', 'site', 'url', 'out', 'work']) {
  if (!options[name]) {
    console.error(`web-test.mjs: --${name} is missing`);
    process.exit(2);
  }
}
const require = createRequire(path.join(options.modules, 'index.js'));
const { chromium, errors } = require('playwright-core');

const kSize = '640x360';
const kStillTimes = [4, 20, 45];
const kMaxCompressedMiB = 12;

let passed = 0;
let failed = 0;
function ok(line) {
  passed += 1;
  console.log('ok ' + line);
}
function fail(line) {
  failed += 1;
  console.log('FAIL ' + line);
}

const servers = [];
function stopServers() {
  for (const server of servers) server.kill();
}
process.on('exit', stopServers);
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.on(signal, () => {
    stopServers();
    process.exit(130);
  });
}

// A static server on a free port of the loopback for a copy of the site; resolves to its URL.
function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                     '--directory', dir], { stdio: ['ignore', 'pipe', 'ignore'] });
    servers.push(server);
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const port = / port (\d+)/.exec(said);
      if (port) resolve(`http://127.0.0.1:${port[1]}/`);
    });
    server.on('exit', (code) => reject(new Error(`the server for ${dir} stopped (${code})`)));
  });
}

function launch(extraArgs = []) {
  const args = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                '--autoplay-policy=no-user-gesture-required', ...extraArgs];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  return chromium.launch({ executablePath: options.browser, headless: true, args });
}

// Waits until the page's state is one of `states` (or "failed", which ends any wait), at most
// timeoutMs; returns the state and error it has then.
async function waitForState(page, states, timeoutMs) {
  const watched = [...new Set([...states, 'failed'])];
  try {
    await page.waitForFunction((w) => window.kestu09 && w.includes(window.kestu09.state), watched,
                               { timeout: timeoutMs, polling: 250 });
  } catch (e) {
    if (!(e instanceof errors.TimeoutError)) throw e;
  }
  return page.evaluate(() => (window.kestu09 ? { state: window.kestu09.state, error: window.kestu09.error }
                                             : { state: '(no page state)', error: '' }));
}

function describe(result) {
  return result.error ? `state "${result.state}": ${result.error}` : `state "${result.state}"`;
}

// Opens the page; the program's own files load after that, watched through its state.
async function open(page, url) {
  await page.goto(url, { waitUntil: 'domcontentloaded' });
}

async function pageText(page) {
  return page.evaluate(() => document.body.innerText);
}

function mib(bytes) {
  return (bytes / (1024 * 1024)).toFixed(2);
}

function siteFiles(dir) {
  return fs.readdirSync(dir, { recursive: true, withFileTypes: true })
      .filter((entry) => entry.isFile())
      .map((entry) => path.join(entry.parentPath ?? entry.path, entry.name));
}

function checkSize() {
  let served = 0;
  let compressed = 0;
  for (const file of siteFiles(options.site)) {
    const bytes = fs.readFileSync(file);
    served += bytes.length;
    compressed += zlib.gzipSync(bytes, { level: 9 }).length;
  }
  const line = `site size: ${mib(served)} MiB as served, ${mib(compressed)} MiB gzip-compressed ` +
               `(at most ${kMaxCompressedMiB} MiB)`;
  if (compressed <= kMaxCompressedMiB * 1024 * 1024) ok(line);
  else fail(line);
}

async function checkStills(browser) {
  const native = path.join(options.out, 'native');
  fs.mkdirSync(native, { recursive: true });
  const render = spawnSync(path.join(options.build, 'kestu09-render'),
                           ['--size', kSize, '--out', native, ...kStillTimes.map(String)],
                           { encoding: 'utf8' });
  if (render.status !== 0) {
    fail(`stills: kestu09-render failed (${render.status}): ${(render.stderr || '').trim()}`);
    return;
  }
  for (const t of kStillTimes) {
    const name = `kestu09-${String(t * 1000).padStart(5, '0')}.png`;
    const page = await browser.newPage();
    try {
      const opened = performance.now();
      await open(page, `${options.url}?size=${kSize}&still=${t}`);
      const result = await waitForState(page, ['still'], 120000);
      if (result.state !== 'still') {
        fail(`still ${t} s: ${describe(result)}`);
        continue;
      }
      const seconds = ((performance.now() - opened) / 1000).toFixed(1);
      const url = await page.$eval('#still', (canvas) => canvas.toDataURL('image/png'));
      const web = path.join(options.out, 'web-' + name);
      fs.writeFileSync(web, Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
      const match = spawnSync(path.join(options.build, 'tests/invitation/picture-match'),
                              [path.join(native, name), web], { encoding: 'utf8' });
      const said = (match.stdout + match.stderr).trim();
      if (match.status === 0) ok(`still ${t} s (${seconds} s in the browser): ${said}`);
      else fail(`still ${t} s: ${said || 'picture-match exit ' + match.status}`);
    } finally {
      await page.close();
    }
  }
}

function median(values) {
  if (values.length === 0) return NaN;
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

async function checkLauncher(browser) {
  const page = await browser.newPage();
  try {
    await open(page, `${options.url}?size=${kSize}`);
    const result = await waitForState(page, ['launcher'], 180000);
    if (result.state !== 'launcher') {
      fail(`launcher: ${describe(result)}`);
      return;
    }
    const launcherMs = await page.evaluate(() => window.kestu09.timings.launcher);
    await page.screenshot({ path: path.join(options.out, 'launcher.png') });
    const text = await pageText(page);
    if (!text.includes('press Start')) {
      fail('launcher: the page does not say that the show begins with Start');
      return;
    }
    ok(`launcher: shown ${(launcherMs / 1000).toFixed(2)} s after the page opened`);
  } finally {
    await page.close();
  }
}

async function checkAutostart(browser) {
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console error: ' + m.text()); });
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  try {
    await open(page, `${options.url}?size=${kSize}&autostart`);
    const playing = await waitForState(page, ['playing', 'ended'], 180000);
    if (playing.state !== 'playing') {
      fail(`autostart: ${describe(playing)}, not "playing"`);
      return;
    }
    const timings = await page.evaluate(() => window.kestu09.timings);
    if (timings.start === null) {
      fail('autostart: the show played without passing "loading"');
      return;
    }
    // The music time just after a frame was presented, when it is fresh even at a low frame rate.
    const sample = () => page.evaluate(() => new Promise((resolve) => {
      const frames = window.kestu09.frames;
      const since = performance.now();
      const poll = () => {
        if (window.kestu09.frames !== frames || performance.now() - since > 10000) {
          resolve([window.kestu09.musicSeconds, performance.now()]);
        } else {
          setTimeout(poll, 1);
        }
      };
      poll();
    }));
    const [music0, wall0] = await sample();
    await page.waitForTimeout(5000);
    const [music1, wall1] = await sample();
    await page.screenshot({ path: path.join(options.out, 'playing.png') });
    const music = music1 - music0;
    const wall = (wall1 - wall0) / 1000;
    const clock = `music advanced ${music.toFixed(2)} s in ${wall.toFixed(2)} s`;
    if (Math.abs(music - wall) > 0.1 * wall) {
      fail(`autostart: ${clock}`);
      return;
    }

    await page.focus('#canvas');
    await page.keyboard.press('Escape');
    const ended = await waitForState(page, ['ended'], 30000);
    if (ended.state !== 'ended') {
      fail(`autostart: after Escape, ${describe(ended)}`);
      return;
    }
    if (!(await pageText(page)).includes('The invitation has ended.')) {
      fail('autostart: the page does not say that the invitation has ended');
      return;
    }
    if (problems.length > 0) {
      fail(`autostart: ${problems.length} errors, the first: ${problems[0]}`);
      return;
    }
    const done = await page.evaluate(() => window.kestu09);
    const intervals = done.timings.frameIntervals;
    ok(`autostart: ${clock}; start to first frame ${(done.timings.firstFrame - done.timings.start).toFixed(0)} ms, ` +
       `median frame interval ${median(intervals).toFixed(1)} ms over ${intervals.length} frames, ` +
       `${done.frames} frames in all; Escape ended it`);
  } finally {
    await page.close();
  }
}

async function checkNoWebGL2() {
  const browser = await launch(['--disable-webgl2']);
  try {
    const page = await browser.newPage();
    await open(page, `${options.url}?size=${kSize}`);
    if (await page.evaluate(() => !!document.createElement('canvas').getContext('webgl2'))) {
      fail('no WebGL 2: --disable-webgl2 left WebGL 2 on, so this could not be tried');
      return;
    }
    const result = await waitForState(page, ['launcher', 'playing', 'still'], 30000);
    const sentence = 'it has no WebGL 2';
    if (result.state === 'failed' && result.error.includes(sentence) &&
        (await pageText(page)).includes(result.error)) {
      ok(`no WebGL 2: "${result.error}"`);
    } else {
      fail(`no WebGL 2: ${describe(result)}`);
    }
  } finally {
    await browser.close();
  }
}

// Where a file lies in the data package, from the loader's file table.
function packageRange(loaderSource, filename) {
  for (const match of loaderSource.matchAll(/\{[^{}]*"filename"[^{}]*\}/g)) {
    let entry;
    try { entry = JSON.parse(match[0]); } catch { continue; }
    if (entry.filename === filename) return entry;
  }
  return null;
}

function copySite(name) {
  const copy = path.join(options.work, name);
  fs.rmSync(copy, { recursive: true, force: true });
  fs.cpSync(options.site, copy, { recursive: true });
  return copy;
}

async function expectFailure(browser, url, label, check) {
  const page = await browser.newPage();
  try {
    await open(page, `${url}?size=${kSize}&autostart`);
    const result = await waitForState(page, ['ended'], 180000);
    const shown = result.state === 'failed' && result.error !== '' &&
                  (await pageText(page)).includes(result.error);
    if (shown && check(result.error)) ok(`${label}: "${result.error}"`);
    else fail(`${label}: ${describe(result)}`);
  } finally {
    await page.close();
  }
}

// The choreography's track file overwritten with bytes that are no track file, the package's
// size unchanged: the invitation refuses it with the file's line named, and the page shows it.
// (A damaged model is no failure: the scene goes on without it.)
async function checkDamagedData(browser) {
  const copy = copySite('damaged');
  const tracks = packageRange(fs.readFileSync(path.join(copy, 'kestu09.js'), 'utf8'),
                              '/data/invitation.tracks');
  if (!tracks) {
    fail('damaged data: no /data/invitation.tracks in the data package\'s file table');
    return;
  }
  const length = tracks.end - tracks.start;
  const garbage = Buffer.alloc(length);
  let seed = 12345;
  for (let i = 0; i < length; ++i) {
    seed = (seed * 1103515245 + 12345) >>> 0;
    garbage[i] = 0x21 + ((seed >>> 24) % 90);  // printable, so that a first line is read
  }
  const data = path.join(copy, 'kestu09.data');
  const fd = fs.openSync(data, 'r+');
  fs.writeSync(fd, garbage, 0, length, tracks.start);
  fs.closeSync(fd);
  const url = await serve(copy);
  await expectFailure(browser, url, `damaged data (${length} bytes of ${tracks.filename})`,
                      (error) => error.includes('invitation.tracks:1:'));
}

async function checkMissingData(browser) {
  const copy = copySite('missing');
  fs.rmSync(path.join(copy, 'kestu09.data'));
  const url = await serve(copy);
  await expectFailure(browser, url, 'missing data', (error) => error.includes('could not be loaded: kestu09.data'));
}

// A wrong parameter is refused before the program is fetched at all.
async function checkAddress(browser) {
  const page = await browser.newPage();
  const fetched = [];
  page.on('request', (request) => fetched.push(request.url()));
  try {
    await open(page, `${options.url}?size=abc`);
    const result = await waitForState(page, ['launcher'], 10000);
    const loaded = fetched.filter((url) => /kestu09\.(js|wasm|data)$/.test(url));
    if (result.state === 'failed' && result.error.includes('size=abc') && loaded.length === 0) {
      ok(`address: "${result.error}"`);
    } else {
      fail(`address size=abc: ${describe(result)}, ${loaded.length} program files fetched`);
    }
  } finally {
    await page.close();
  }
}

// Runs one check; an exception in it is that check's failure, and the others still run.
async function run(name, check) {
  try {
    await check();
  } catch (error) {
    fail(`${name}: ${error && error.message ? error.message.split('\n')[0] : error}`);
  }
}

async function main() {
  fs.mkdirSync(options.out, { recursive: true });
  await run('site size', checkSize);
  const browser = await launch();
  console.log(`browser: Chromium ${browser.version()}, pictures in ${options.out}`);
  try {
    await run('address', () => checkAddress(browser));
    await run('stills', () => checkStills(browser));
    await run('launcher', () => checkLauncher(browser));
    await run('autostart', () => checkAutostart(browser));
    await run('damaged data', () => checkDamagedData(browser));
    await run('missing data', () => checkMissingData(browser));
  } finally {
    await browser.close();
  }
  await run('no WebGL 2', checkNoWebGL2);
  console.log(`web-test: ${passed} passed, ${failed} failed`);
  stopServers();
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log('FAIL web-test: ' + (error && error.stack ? error.stack : error));
  stopServers();
  process.exit(1);
});
