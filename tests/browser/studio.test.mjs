// SPDX-License-Identifier: MIT
// The studio's page in Debian's chromium: programs built with the mouse and with the keyboard,
// sent from the page and by `veltrane send` alike, the preview against `veltrane preview`, a
// fleet with a silent screen, what the studio refuses, how fast a change shows and how idle it
// stays.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import {
  launchBrowser, message, openStudio, processUse, program, run, sanitized, scratchFolder, settled,
  sourceDir, startScreens, startStudio, stopAll, veltrane,
} from './harness.mjs';

const logo = path.join(sourceDir, 'examples', 'logo.png');
const ZOOM = 6;  // the page's zoom: screen pixels are drawn 6 picture pixels wide
const AT = '2026-12-09 10:08:30';
const ROUND_TRIP_GOAL_MS = 50;
const CLOCK_TICKS = 100;  // per second, as /proc counts CPU time (USER_HZ)

// What both the mouse and the keyboard build: two pages on a 128 x 64 screen.
const SIGN = {
  rootType: 1,
  colorMode: 2,
  screen: { width: 128, height: 64 },
  pages: [
    {
      param: 0,
      areas: [
        { kind: 'text', rect: [0, 0, 96, 16], text: 'Level 2: 45 free', font: 'DejaVu Sans', size: 9, color: 'yellow' },
        { kind: 'clock', rect: [96, 0, 128, 32], colors: { hour: 'red', minute: 'green', second: 'yellow', mark: 'green', ring: 'red', face: 'black' } },
        { kind: 'image', rect: [16, 40, 32, 56], file: 'logo.png' },
      ],
    },
    { param: 0, areas: [{ kind: 'datetime', rect: [0, 0, 64, 16], format: 'time-seconds', font: 'DejaVu Sans', size: 9, color: 'green' }] },
  ],
};

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => {
  await browser?.close();
  stopAll();
});

// A folder holding the sign's program file and its picture.
function signFolder(name) {
  const folder = scratchFolder(name);
  fs.copyFileSync(logo, path.join(folder, 'logo.png'));
  fs.writeFileSync(path.join(folder, 'sign.json'), JSON.stringify(SIGN, null, 2));
  return folder;
}

const readJson = (file) => JSON.parse(fs.readFileSync(file, 'utf8'));

async function box(page, selector) {
  const element = await page.waitForSelector(selector);
  return element.boundingBox();
}

// Drags from the middle of `selector` by (dx, dy) screen pixels of the canvas.
async function drag(page, selector, dx, dy) {
  const { x, y, width, height } = await box(page, selector);
  const from = { x: x + Math.min(width / 2, 20), y: y + Math.min(height / 2, 20) };
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + dx * ZOOM, from.y + dy * ZOOM, { steps: 8 });
  await page.mouse.up();
}

async function clickToChoose(page, selector, file) {
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(selector)]);
  await chooser.accept([file]);
}

async function saveAs(page, name, keyboardOnly = false) {
  if (keyboardOnly) {
    await tabTo(page, '#program-path');
    await page.keyboard.type(name);
    await tabTo(page, '#save-program');
    await page.keyboard.press('Enter');
  } else {
    await page.click('#program-path', { clickCount: 3 });
    await page.keyboard.type(name);
    await page.click('#save-program');
  }
  await page.waitForFunction((n) => document.querySelector('#message').textContent.startsWith(`saved ${n}`), {}, name);
}

// Tabs to `selector` and presses Enter until the file chooser is caught. The page keeps the
// focus and opens its chooser at the first press (its file input is clicked with the key's
// activation), but puppeteer now and then misses a chooser that a key alone opened.
async function chooserByKeyboard(page, selector) {
  for (let attempt = 1; ; ++attempt) {
    await settled(page);
    await tabTo(page, selector);
    try {
      const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 5000 }),
                                           page.keyboard.press('Enter')]);
      return chooser;
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

// Moves the focus with Tab (or Shift+Tab, towards where `selector` lies) until it is there.
async function tabTo(page, selector) {
  for (let presses = 0; presses < 400; ++presses) {
    const where = await page.evaluate((s) => {
      const target = document.querySelector(s);
      const now = document.activeElement;
      if (!target) return 'missing';
      if (now === target) return 'here';
      if (!now || now === document.body) return 'after';
      return now.compareDocumentPosition(target) & Node.DOCUMENT_POSITION_FOLLOWING ? 'after' : 'before';
    }, selector);
    if (where === 'here') return;
    if (where === 'missing') throw new Error(`nothing matches ${selector}`);
    if (where === 'after') await page.keyboard.press('Tab');
    else {
      await page.keyboard.down('Shift');
      await page.keyboard.press('Tab');
      await page.keyboard.up('Shift');
    }
  }
  throw new Error(`Tab never reached ${selector}`);
}

async function press(page, key, times, shift = false) {
  if (shift) await page.keyboard.down('Shift');
  for (let i = 0; i < times; ++i) await page.keyboard.press(key);
  if (shift) await page.keyboard.up('Shift');
}

// The results of the run the page shows once it has ended: each row's result word.
async function runResults(page) {
  await page.waitForFunction(() => {
    const cells = [...document.querySelectorAll('#results td[data-result]')];
    return cells.length > 0 && cells.every((c) => c.dataset.result !== '') && document.querySelector('#cancel-run').disabled;
  }, { timeout: 60000 });
  return page.$$eval('#results tbody tr', (rows) => rows.map((r) => ({
    name: r.cells[0].textContent, result: r.cells[3].dataset.result, text: r.cells[3].textContent,
  })));
}

test('a two-page program built with the mouse is sent byte for byte as veltrane send sends it', async () => {
  const folder = scratchFolder('mouse');
  const kept = scratchFolder('kept');
  const [port] = await startScreens(1, ['--save-programs', kept]);
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);

  await page.click('#add-area [data-kind=text]');
  await drag(page, '.area[data-index="0"] .handle', 32, 0);
  await page.click('#area-form input[name="Text"]', { clickCount: 3 });
  await page.keyboard.type('Level 2: 45 free');
  await page.click('#add-area [data-kind=clock]');
  await clickToChoose(page, '#add-area [data-kind=image]', logo);
  await page.waitForSelector('.area[data-index="2"]');
  await drag(page, '.area[data-index="2"]', 16, 24);
  await page.click('#add-page');
  await page.click('#add-area [data-kind=datetime]');
  await drag(page, '.area[data-index="0"] .handle', 16, 0);
  await page.select('#area-form select[name="Shows"]', 'time-seconds');
  await saveAs(page, 'sign.json');
  assert.deepEqual(readJson(path.join(folder, 'sign.json')), SIGN);

  await page.select('#target-kind', 'udp');
  await page.click('#target-udp');
  await page.keyboard.type(`127.0.0.1:${port}`);
  await page.click('#send-program');
  assert.deepEqual((await runResults(page)).map((r) => r.result), ['ok']);
  await run(veltrane, ['send', path.join(folder, 'sign.json'), '--udp', `127.0.0.1:${port}`]);
  const fromPage = fs.readFileSync(path.join(kept, 'program-1.bin'));
  const fromCommand = fs.readFileSync(path.join(kept, 'program-2.bin'));
  assert.ok(fromPage.length > 1000);
  assert.ok(fromPage.equals(fromCommand), 'the page and veltrane send sent different programs');
  await page.close();
});

test('the same program is built with the keyboard alone', async () => {
  const folder = scratchFolder('keyboard');
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);

  await tabTo(page, '#add-area [data-kind=text]');
  await page.keyboard.press('Enter');
  await press(page, 'ArrowRight', 32, true);
  await tabTo(page, '#area-form input[name="Text"]');
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  await page.keyboard.type('Level 2: 45 free');
  await tabTo(page, '#add-area [data-kind=clock]');
  await page.keyboard.press('Enter');
  const chooser = await chooserByKeyboard(page, '#add-area [data-kind=image]');
  await chooser.accept([logo]);
  await page.waitForFunction(() => document.activeElement?.matches('.area[data-index="2"]'));
  await press(page, 'ArrowRight', 16);
  await press(page, 'ArrowDown', 24);
  await tabTo(page, '#add-page');
  await page.keyboard.press('Enter');
  await tabTo(page, '#add-area [data-kind=datetime]');
  await page.keyboard.press('Enter');
  await press(page, 'ArrowRight', 16, true);
  await tabTo(page, '#area-form select[name="Shows"]');
  await page.keyboard.press('ArrowDown');  // time, then time-seconds
  await saveAs(page, 'keys.json', true);
  assert.deepEqual(readJson(path.join(folder, 'keys.json')), SIGN);
  // Undo and redo walk the history the keys made.
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyZ');
  await page.keyboard.up('Control');
  assert.equal((await program(page)).pages[1].areas[0].format, 'time');
  await page.click('#redo');
  assert.equal((await program(page)).pages[1].areas[0].format, 'time-seconds');
  // Enter on a page's button shows that page, and the focus stays on the button.
  await tabTo(page, '#page-list li:first-child button');
  await page.keyboard.press('Enter');
  await settled(page);
  assert.equal(await page.evaluate(() => window.studio.model.page), 0);
  assert.ok(await page.evaluate(() => document.activeElement === document.querySelector('#page-list li:first-child button')),
            'the page list took the focus away');
  // Moved to the end, the page's "Move later" is disabled and the focus goes to "Move earlier".
  await tabTo(page, '#page-later');
  await page.keyboard.press('Enter');
  await settled(page);
  assert.equal(await page.evaluate(() => window.studio.model.page), 1);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'page-earlier');
  await page.close();
});

test('the preview at 10:08:30 is veltrane preview --style dots --at, pixel for pixel', async () => {
  const folder = signFolder('preview');
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);
  await page.select('#open-list', 'sign.json');
  await page.click('#open-program');
  await page.waitForFunction(() => window.studio.model.path === 'sign.json');
  await page.evaluate((at) => window.studio.preview.showAt(at), AT);
  await settled(page);
  const shot = await (await page.$('#preview-picture')).screenshot();
  const expectedFile = path.join(folder, 'expected.png');
  await run(veltrane, ['preview', path.join(folder, 'sign.json'), '-o', expectedFile, '--style', 'dots',
                       '--scale', String(ZOOM), '--at', AT]);
  const compared = await page.evaluate(async (a, b) => {
    const pixels = async (base64) => {
      const image = new Image();
      image.src = `data:image/png;base64,${base64}`;
      await image.decode();
      const canvas = Object.assign(document.createElement('canvas'), { width: image.naturalWidth, height: image.naturalHeight });
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return { width: canvas.width, height: canvas.height, data: context.getImageData(0, 0, canvas.width, canvas.height).data };
    };
    const [shown, expected] = [await pixels(a), await pixels(b)];
    let differing = 0;
    for (let i = 0; i < shown.data.length; i += 4)
      if (shown.data[i] !== expected.data[i] || shown.data[i + 1] !== expected.data[i + 1] || shown.data[i + 2] !== expected.data[i + 2]) ++differing;
    return { shown: [shown.width, shown.height], expected: [expected.width, expected.height], differing };
  }, shot.toString('base64'), fs.readFileSync(expectedFile).toString('base64'));
  assert.deepEqual(compared.shown, compared.expected);
  assert.deepEqual(compared.shown, [2 * 128 * ZOOM + 1, 64 * ZOOM]);
  assert.equal(compared.differing, 0, 'pixels differ from veltrane preview');

  // The README's picture of the studio: the sign, its clock selected.
  await page.click('.area[data-index="1"]');
  await settled(page);
  const picture = process.env.VELTRANE_UPDATE_DOCS ? path.join(sourceDir, 'docs', 'images', 'studio.png') : 'studio.png';
  await page.screenshot({ path: picture, clip: { x: 0, y: 0, width: 1600, height: 1000 } });
  await page.close();
});

test('a fleet of three with a silent screen shows two ok and one that did not answer', async () => {
  const folder = signFolder('fleet');
  const [north, south] = await startScreens(2);
  const [east] = await startScreens(1, ['--silent']);
  fs.writeFileSync(path.join(folder, 'fleet.txt'),
                   `udp 127.0.0.1:${north} name=north\nudp 127.0.0.1:${south} name=south\nudp 127.0.0.1:${east} name=east\n`);
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);
  await page.select('#open-list', 'sign.json');
  await page.click('#open-program');
  await page.select('#target-kind', 'fleet');
  await page.select('#target-fleet', 'fleet.txt');
  await page.click('#send-program');
  const rows = await runResults(page);
  assert.deepEqual(rows.map((r) => [r.name, r.result]), [['north', 'ok'], ['south', 'ok'], ['east', 'did not answer']]);
  assert.equal(rows[2].text, 'did not answer');
  assert.equal(await message(page), '2 of 3 screens took the program.');
  await page.click('#read-status');
  assert.deepEqual((await runResults(page)).map((r) => r.result), ['ok', 'ok', 'did not answer']);
  await page.close();
});

test('requests without the token, paths leading out, oversized pictures and other addresses are refused', async () => {
  const folder = signFolder('refusals');
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);

  const bare = await fetch(`http://127.0.0.1:${studio.port}/api/files`);
  assert.equal(bare.status, 403);
  assert.match((await bare.json()).error, /token/);
  const wrongToken = await fetch(`http://127.0.0.1:${studio.port}/?token=${'0'.repeat(64)}`, { redirect: 'manual' });
  assert.equal(wrongToken.status, 403);

  await saveAs(page, 'sign.json');
  await page.click('#program-path', { clickCount: 3 });
  await page.keyboard.type('../escape.json');
  await page.click('#save-program');
  await page.waitForFunction(() => document.querySelector('#message').className === 'error');
  assert.equal(await message(page), 'the path "../escape.json" steps out with "..".');
  assert.ok(!fs.existsSync(path.join(folder, '..', 'escape.json')));

  const big = path.join(scratchFolder('big'), 'big.png');
  fs.writeFileSync(big, Buffer.concat([fs.readFileSync(logo), Buffer.alloc(20 * 1024 * 1024)]));
  await clickToChoose(page, '#add-area [data-kind=image]', big);
  await page.waitForFunction(() => document.querySelector('#message').textContent.includes('big.png'));
  assert.match(await message(page), /^big\.png has 20,9\d\d,\d\d\d bytes, more than the 16,777,216 a picture may have\.$/);
  // Sent anyway, past the page's own check, the studio refuses it before keeping anything.
  const direct = await page.evaluate(async () => {
    const token = document.querySelector('meta[name="veltrane-token"]').content;
    const response = await fetch('/api/pictures?path=big.png', {
      method: 'POST', headers: { 'X-Veltrane-Token': token }, body: new Uint8Array(20 * 1024 * 1024),
    });
    return { status: response.status, error: (await response.json()).error };
  });
  assert.deepEqual(direct, { status: 413, error: 'the request has more than the 16777216 bytes the studio takes' });
  assert.ok(!fs.existsSync(path.join(folder, 'big.png')));

  // Bound to 127.0.0.1 alone: another address of this machine is not served.
  await assert.rejects(new Promise((resolve, reject) => {
    const socket = net.connect(studio.port, '127.0.0.2', () => { socket.end(); resolve(); });
    socket.on('error', reject);
  }), /ECONNREFUSED/);
  await assert.rejects(run(veltrane, ['studio', folder, '--listen', 'every-address']),
                       (error) => error.code === 2 && /--listen: expected an IPv4 address/.test(error.stderr));
  await page.close();
});

test('a change\'s preview round trip is measured against 50 ms, and an idle studio uses no CPU', async () => {
  const folder = signFolder('speed');
  const studio = await startStudio(folder);
  const page = await openStudio(browser, studio.url);
  await page.select('#open-list', 'sign.json');
  await page.click('#open-program');
  await page.waitForFunction(() => window.studio.model.path === 'sign.json');
  await settled(page);
  await page.click('.area[data-index="0"]');
  const roundTrips = [];
  const answers = [];  // from the request sent to its answer read
  const busyBefore = processUse(studio.pid);
  for (let i = 0; i < 25; ++i) {
    const before = await page.evaluate(() => window.studio.preview.timings.length);
    await page.click('#area-form input[name="Size (points)"]', { clickCount: 3 });
    await page.keyboard.type(String(8 + (i % 3)));
    await page.waitForFunction((n) => window.studio.preview.timings.length > n && !window.studio.preview.busy, {}, before);
    const last = await page.evaluate(() => window.studio.preview.timings.at(-1));
    roundTrips.push(last.shownAt - last.changedAt);
    answers.push(last.answeredAt - last.sentAt);
  }
  answers.sort((a, b) => a - b);
  console.log(`of which the studio's answer: median ${answers[Math.floor(answers.length / 2)].toFixed(1)} ms`);
  roundTrips.sort((a, b) => a - b);
  const median = roundTrips[Math.floor(roundTrips.length / 2)];
  console.log(`preview round trip: median ${median.toFixed(1)} ms, fastest ${roundTrips[0].toFixed(1)} ms, slowest ${roundTrips.at(-1).toFixed(1)} ms over ${roundTrips.length} changes`);
  // The studio's own CPU time per change, which neighbours on the machine do not stretch.
  const cpuMs = ((processUse(studio.pid).ticks - busyBefore.ticks) * 1000) / CLOCK_TICKS / roundTrips.length;
  console.log(`studio CPU time per change: ${cpuMs.toFixed(1)} ms`);
  // A speed goal, reported rather than held: a test's clock measures its neighbours on the machine
  // as much as the studio, so the figure is for reading, as a benchmark's is.
  const load = os.loadavg()[0] / os.cpus().length;
  console.log(`goal ${ROUND_TRIP_GOAL_MS} ms: median ${median.toFixed(1)} ms ${median <= ROUND_TRIP_GOAL_MS ? 'meets' : 'misses'} it` +
              ` (load ${load.toFixed(1)} per CPU${sanitized ? ', sanitized build' : ''})`);

  // Idle: the page waits for the user, the studio for a connection. Connections the browser
  // keeps are closed after two seconds.
  await new Promise((resolve) => setTimeout(resolve, 3000));
  const start = processUse(studio.pid);
  await new Promise((resolve) => setTimeout(resolve, 5000));
  const end = processUse(studio.pid);
  console.log(`idle studio over 5 s: ${end.ticks - start.ticks} CPU ticks, ${end.switches - start.switches} context switches`);
  assert.equal(end.ticks - start.ticks, 0);
  assert.ok(end.switches - start.switches <= 2, `${end.switches - start.switches} wake-ups`);
  await page.close();
});
