// SPDX-License-Identifier: MIT
// What the screen shows, drawn by the studio with the library's own renderer as LED dots, at any
// date and time: kept up with every change, one request at a time (a change made while one is
// on its way is drawn once it is back, as the program is then).

import { sendJson } from './api.js';

const DAY_SECONDS = 86400;
// Play: how often the time moves on, and by how much, at each speed.
const PLAY_STEPS = { 1: { everyMs: 1000, seconds: 1 }, 60: { everyMs: 250, seconds: 15 } };

const two = (n) => String(n).padStart(2, '0');

export function timeText(seconds) {
  return `${two(Math.floor(seconds / 3600))}:${two(Math.floor(seconds / 60) % 60)}:${two(seconds % 60)}`;
}

export function secondsOf(text) {
  const [h, m, s] = text.split(':').map(Number);
  return (h || 0) * 3600 + (m || 0) * 60 + (s || 0);
}

export class Preview {
  constructor(model, canvas, ui, report) {
    this.model = model;
    this.canvas = canvas;
    this.ui = ui;  // the preview's elements
    this.report = report;  // { error(sentence), clear() }
    this.busy = false;
    this.pending = null;  // when the change waiting to be drawn was made
    // When each picture shown was asked for by a change, sent, answered and on show.
    this.timings = [];
    this.playing = null;
    const now = new Date();
    ui.date.value = `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`;
    this.setSeconds(now.getHours() * 3600 + now.getMinutes() * 60 + now.getSeconds());
    for (let zoom = 1; zoom <= 12; ++zoom) ui.zoom.append(new Option(`${zoom} ×`, zoom));
    ui.zoom.value = '6';
    canvas.setZoom(6);
    ui.slider.addEventListener('input', () => this.setSeconds(Number(ui.slider.value), true));
    ui.time.addEventListener('change', () => this.setSeconds(secondsOf(ui.time.value), true));
    ui.date.addEventListener('change', () => this.schedule());
    ui.pages.addEventListener('change', () => this.schedule());
    ui.zoom.addEventListener('change', () => {
      canvas.setZoom(Number(ui.zoom.value));
      this.schedule();
    });
    ui.play1.addEventListener('click', () => this.play(1));
    ui.play60.addEventListener('click', () => this.play(60));
    ui.stop.addEventListener('click', () => this.play(0));
    this.shown = null;  // the picture on show: { src, pageWidth }
    model.listen((what) => {
      if (what === 'program' || this.ui.pages.value === 'one') this.schedule();
      else this.placeOnCanvas();
    });
  }

  setSeconds(seconds, redraw = false) {
    this.seconds = ((seconds % DAY_SECONDS) + DAY_SECONDS) % DAY_SECONDS;
    this.ui.slider.value = String(this.seconds);
    this.ui.time.value = timeText(this.seconds);
    if (redraw) this.schedule();
  }

  // Sets the date and time shown: "YYYY-MM-DD HH:MM:SS".
  showAt(text) {
    const [date, time] = text.split(' ');
    this.ui.date.value = date;
    this.setSeconds(secondsOf(time), true);
  }

  at() { return `${this.ui.date.value} ${timeText(this.seconds)}`; }

  play(speed) {
    clearInterval(this.playing);
    this.playing = null;
    const step = PLAY_STEPS[speed];
    if (!step) return;
    this.playing = setInterval(() => this.setSeconds(this.seconds + step.seconds, true), step.everyMs);
  }

  schedule() {
    if (this.pending === null) this.pending = performance.now();
    if (!this.busy) this.draw();
  }

  async draw() {
    const changedAt = this.pending;
    this.pending = null;
    this.busy = true;
    const onePage = this.ui.pages.value === 'one';
    const sentAt = performance.now();
    try {
      const shown = await sendJson('POST', '/api/preview', {
        program: this.model.text(),
        path: this.model.path,
        at: this.at(),
        scale: Number(this.ui.zoom.value),
        page: onePage ? this.model.page : null,
      });
      const answeredAt = performance.now();
      await this.show(shown, onePage);
      this.timings.push({ changedAt, sentAt, answeredAt, shownAt: performance.now() });
      this.report.clear();
    } catch (error) {
      this.report.error(error.message);
    } finally {
      this.busy = false;
      if (this.pending !== null) this.draw();
    }
  }

  // The canvas shows the page being designed: the picture's only page, or its part of all.
  placeOnCanvas() {
    if (!this.shown) return;
    const { src, pageWidth } = this.shown;
    this.canvas.showPicture(src, pageWidth === null ? 0 : this.model.page * (pageWidth + 1));
  }

  async show(shown, onePage) {
    const src = `data:image/png;base64,${shown.picture.png}`;
    const picture = this.ui.picture;
    picture.src = src;
    await picture.decode();
    // Pages lie side by side with a pixel between them.
    const pages = onePage ? 1 : shown.pages;
    this.shown = { src, pageWidth: onePage ? null : (shown.picture.width - (pages - 1)) / pages };
    this.placeOnCanvas();
    this.ui.gauge.value = shown.bytes;
    this.ui.gauge.max = shown.limit;
    const share = ((100 * shown.bytes) / shown.limit).toFixed(1);
    this.ui.size.textContent = `${shown.bytes.toLocaleString('en')} of ${shown.limit.toLocaleString('en')} bytes (${share} %)`;
    this.ui.warnings.replaceChildren(...shown.warnings.map((w) => Object.assign(document.createElement('li'), { textContent: w })));
  }
}
