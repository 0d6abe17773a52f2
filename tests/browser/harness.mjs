// SPDX-License-Identifier: MIT
// What the studio's browser tests start and look at: the studio, simulated screens, the command,
// and Debian's chromium through puppeteer-core.
import { execFile, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';

export const veltrane = process.env.VELTRANE;
export const veltraneScreen = process.env.VELTRANE_SCREEN;
export const sourceDir = process.env.VELTRANE_SOURCE_DIR;
export const sanitized = Boolean(process.env.VELTRANE_SANITIZE);

const children = [];

export function scratchFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `veltrane_${name}_`));
}

// Starts a program and waits for `count` lines of its output that match `pattern`.
async function startAndRead(program, args, pattern, count = 1) {
  const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  children.push(child);
  let output = '';
  let errors = '';
  child.stderr.on('data', (data) => { errors += data; });
  const matches = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${program} printed no ${pattern}: ${output} ${errors}`)), 20000);
    child.stdout.on('data', (data) => {
      output += data;
      const found = [...output.matchAll(new RegExp(pattern, 'g'))];
      if (found.length >= count) {
        clearTimeout(timer);
        resolve(found);
      }
    });
    child.on('exit', (code) => reject(new Error(`${program} ended with ${code}: ${errors}`)));
  });
  return { child, matches };
}

// `veltrane studio FOLDER --port 0`: its address (token included), port and process.
export async function startStudio(folder, extra = []) {
  const { child, matches } = await startAndRead(veltrane, ['studio', folder, '--port', '0', ...extra],
                                                'http://127\\.0\\.0\\.1:(\\d+)/\\?token=([0-9a-f]+)');
  return { url: matches[0][0], port: Number(matches[0][1]), token: matches[0][2], pid: child.pid, child };
}

// `veltrane-screen` serving `screens` screens over UDP: their ports.
export async function startScreens(screens, extra = []) {
  const { matches } = await startAndRead(
    veltraneScreen, ['--udp', '127.0.0.1:0', '--screens', String(screens), ...extra], 'udp 127\\.0\\.0\\.1:(\\d+)', screens);
  return matches.map((m) => Number(m[1]));
}

export async function run(program, args, options = {}) {
  return promisify(execFile)(program, args, options);
}

export function stopAll() {
  for (const child of children) if (child.exitCode === null) child.kill('SIGTERM');
}

export async function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.VELTRANE_CHROMIUM,
    headless: true,
    userDataDir: scratchFolder('chromium'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--force-color-profile=srgb', '--font-render-hinting=none'],
  });
}

// A page of the studio at `url`, ready: fonts, files and the first picture loaded.
export async function openStudio(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1600, height: 1200, deviceScaleFactor: 1 });
  page.on('pageerror', (error) => { throw error; });
  await page.goto(url);
  await page.evaluate(() => window.studio.ready);
  await settled(page);
  return page;
}

// Waits until the page has drawn every change made so far.
export async function settled(page) {
  await page.waitForFunction(() => !window.studio.preview.busy && window.studio.preview.pending === null);
}

export async function message(page) {
  return page.$eval('#message', (m) => m.textContent);
}

export const program = (page) => page.evaluate(() => window.studio.model.program);

// The CPU time (clock ticks) and context switches of every thread of a process so far.
export function processUse(pid) {
  let ticks = 0;
  let switches = 0;
  for (const task of fs.readdirSync(`/proc/${pid}/task`)) {
    const stat = fs.readFileSync(`/proc/${pid}/task/${task}/stat`, 'utf8');
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    ticks += Number(fields[11]) + Number(fields[12]);  // utime, stime
    const status = fs.readFileSync(`/proc/${pid}/task/${task}/status`, 'utf8');
    for (const m of status.matchAll(/^(?:non)?voluntary_ctxt_switches:\s+(\d+)$/gm)) switches += Number(m[1]);
  }
  return { ticks, switches };
}
