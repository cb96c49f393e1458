// Browser test of `quorix view`: a virtual camera and the viewer on free loopback ports, the page in
// headless Chromium (Debian's, driven by playwright-core). Checks that frames arrive in two tabs, that the
// 3D view draws the cloud, that the settings panel changes the camera and shows a refusal, and that a saved
// PLY holds the frame's points.
//
//   node browser_test.mjs --tool quorix --camera quorix-virtual-camera [--chromium /usr/bin/chromium]
//        [--size 640x480] [--screenshot docs/viewer.png] [--bench FRAMES [--stream 0|1|2|4]]
// (QUORIX_VIEWER_SCREENSHOT in the environment does what --screenshot does.)
// --bench measures FRAMES frames instead (frames per second, bytes per frame, stage times, page memory),
// with the page's stream choice (0 auto, 1 full images, 2 half, 4 quarter).
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { chromium } from 'playwright-core';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) => {
  if (a.startsWith('--')) pairs.push([a.slice(2), all[i + 1] && !all[i + 1].startsWith('--') ? all[i + 1] : 'true']);
  return pairs;
}, []));
const size = args.size || '640x480';
const bench = Number(args.bench || 0);
const screenshot = args.screenshot || process.env.QUORIX_VIEWER_SCREENSHOT;
const children = [];

function check(condition, what) {
  if (!condition) throw new Error(`check failed: ${what}`);
}

// Starts a program and resolves with the first match of pattern in its standard output.
function start(program, argv, pattern) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, argv, { stdio: ['ignore', 'pipe', 'inherit'] });
    children.push(child);
    const lines = readline.createInterface({ input: child.stdout });
    const timer = setTimeout(() => reject(new Error(`${program} did not start`)), 30000);
    lines.on('line', (line) => {
      const m = line.match(pattern);
      if (m) {
        clearTimeout(timer);
        resolve(m);
      }
    });
    child.on('exit', (code) => reject(new Error(`${program} exited with ${code}`)));
  });
}

function cameraHolds(address, key) {
  const out = execFileSync(args.tool, ['get', address, key, '--json'], { encoding: 'utf8' });
  return JSON.parse(out)[key];
}

// The panel shows what was typed at once; the camera holds it once the viewer has applied it.
async function waitUntilCameraHolds(address, key, value, timeoutMs = 30000) {
  const deadline = Date.now() + timeoutMs;
  let held = cameraHolds(address, key);
  while (held !== value && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 200));
    held = cameraHolds(address, key);
  }
  return held === value;
}

// Header of a binary PLY and its vertex count; the body must hold exactly that many x y z red green blue.
function readPly(file) {
  const bytes = fs.readFileSync(file);
  const end = bytes.indexOf('end_header\n');
  check(end > 0, 'the PLY has a header');
  const header = bytes.subarray(0, end).toString('latin1');
  check(header.startsWith('ply\nformat binary_little_endian 1.0\n'), 'binary little-endian PLY');
  const count = Number(header.match(/element vertex (\d+)/)[1]);
  const body = bytes.subarray(end + 'end_header\n'.length);
  check(body.length === count * 15, `PLY body of ${count} coloured points`);
  let near = Infinity, far = 0;
  for (let i = 0; i < count; i++) {
    const z = body.readFloatLE(i * 15 + 8);
    near = Math.min(near, z);
    far = Math.max(far, z);
  }
  return { count, near, far };
}

async function waitForFrames(page, count, timeout = 60000) {
  await page.waitForFunction((n) => window.viewer && window.viewer.frames >= n, count, { timeout });
}

async function measure(page, frames) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const heap = async () => {
    await cdp.send('HeapProfiler.collectGarbage');
    const { metrics } = await cdp.send('Performance.getMetrics');
    return Object.fromEntries(metrics.map((m) => [m.name, m.value]));
  };
  await page.selectOption('#stream', args.stream || '0');
  await page.waitForFunction(() => window.viewer && window.viewer.hello, null, { timeout: 60000 });
  await page.dispatchEvent('#stream', 'change');
  await waitForFrames(page, 10);
  const before = await heap();
  const first = await page.evaluate(() => ({ frames: window.viewer.frames, at: performance.now() }));
  await page.evaluate(() => { window.viewer.stageSums = {}; window.viewer.stageCount = 0; });
  await waitForFrames(page, first.frames + frames, 0);
  const last = await page.evaluate(() => ({ frames: window.viewer.frames, at: performance.now(),
    bytes: window.viewer.lastFrameBytes, sums: window.viewer.stageSums, count: window.viewer.stageCount }));
  const after = await heap();
  const stages = Object.fromEntries(Object.entries(last.sums).map(([k, v]) => [k, +(v / last.count).toFixed(1)]));
  return {
    size, stream: args.stream || 'auto', frames: last.frames - first.frames,
    fps: +((1000 * (last.frames - first.frames)) / (last.at - first.at)).toFixed(2),
    bytesPerFrame: last.bytes, stagesMs: stages,
    jsHeapMB: { before: +(before.JSHeapUsedSize / 1e6).toFixed(1), after: +(after.JSHeapUsedSize / 1e6).toFixed(1) },
  };
}

async function main() {
  const [, port] = await start(args.camera, ['--no-announce', '--color-size', size, '--depth-size', size],
    /tcp:\/\/127\.0\.0\.1:(\d+)/);
  const camera = `127.0.0.1:${port}`;
  const [, url] = await start(args.tool, ['view', camera, '--listen', '127.0.0.1:0'], /(http:\/\/127\.0\.0\.1:\d+\/)/);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorix-view-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: args.chromium || '/usr/bin/chromium',
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1400, height: 860 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    context.setDefaultTimeout(60000);
    const page = context.pages()[0] || (await context.newPage());
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    await page.goto(url);
    if (bench) {
      console.log(JSON.stringify(await measure(page, bench)));
      return;
    }
    await waitForFrames(page, 3);

    const pixels = await page.evaluate(() => window.viewer.countDrawnPixels());
    check(pixels.drawn > pixels.total * 0.05, `the 3D view draws the cloud (${pixels.drawn} of ${pixels.total} pixels)`);

    // A second tab shares the frames.
    const second = await context.newPage();
    await second.goto(url);
    const seen = await page.evaluate(() => window.viewer.frames);
    await waitForFrames(second, 3);
    await waitForFrames(page, seen + 3);

    // An exposure typed into the panel reaches the camera; an impossible one is refused with a message.
    const exposure = page.locator('[data-setting="Scan2DExposureTime"] input.value');
    // fill types the value; the change event is what a browser fires when the user commits it.
    await exposure.fill('42');
    await exposure.dispatchEvent('change');
    await page.waitForFunction(() => document.querySelector('[data-setting="Scan2DExposureTime"] input.value').value === '42');
    check(await waitUntilCameraHolds(camera, 'Scan2DExposureTime', 42), 'the camera holds the exposure set in the panel');
    await second.waitForFunction(() => document.querySelector('[data-setting="Scan2DExposureTime"] input.value').value === '42');
    await second.close(); // the machine may be small: one tab draws from here on
    await exposure.fill('5000');
    await exposure.dispatchEvent('change');
    const refusal = page.locator('[data-setting="Scan2DExposureTime"] .message');
    await refusal.filter({ hasText: /./ }).waitFor({ timeout: 10000 });
    check(/999/.test(await refusal.textContent()), 'the refusal names the range');
    check(cameraHolds(camera, 'Scan2DExposureTime') === 42, 'a refused exposure leaves the camera as it was');
    await page.waitForFunction(() => document.querySelector('[data-setting="Scan2DExposureTime"] input.value').value === '42');

    // The PLY of the frame on screen, downloaded through the page.
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('button[data-save="cloud.ply"]')]);
    const ply = readPly(await download.path());
    check(ply.count > 1000 && ply.near > 100 && ply.far < 5000, `the saved cloud holds the scene (${JSON.stringify(ply)})`);

    if (screenshot) {
      // Turned a little, so that the picture shows the cloud in 3D.
      const box = await page.locator('#cloud-canvas canvas').boundingBox();
      await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
      await page.mouse.down();
      await page.mouse.move(box.x + box.width / 2 + 50, box.y + box.height / 2 - 30, { steps: 8 });
      await page.mouse.up();
      await waitForFrames(page, (await page.evaluate(() => window.viewer.frames)) + 2);
      await page.screenshot({ path: screenshot });
    }
    check(errors.length === 0, `no script errors (${errors.join('; ')})`);
    console.log(`ok: ${await page.evaluate(() => window.viewer.frames)} frames, ${pixels.drawn} cloud pixels, ` +
      `${ply.count} points saved`);
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

try {
  await main();
} catch (e) {
  console.error(e.stack || e.message);
  process.exitCode = 1;
} finally {
  for (const child of children) child.kill('SIGTERM');
}
