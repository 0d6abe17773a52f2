// SPDX-License-Identifier: MIT
// Screens: the program sent, and power, brightness, clock and status, to one screen or the
// screens of a fleet file, with a row per screen that follows the run as it goes.

import { followRun, getJson, sendJson } from './api.js';

const POWER_WORDS = { 0: 'off', 1: 'on' };

export class Screens {
  constructor(model, ui, report) {
    this.model = model;
    this.ui = ui;
    this.report = report;
    this.running = false;
    ui.kind.addEventListener('change', () => this.showKind());
    ui.send.addEventListener('click', () => this.run('send'));
    ui.powerOn.addEventListener('click', () => this.run('power-on'));
    ui.powerOff.addEventListener('click', () => this.run('power-off'));
    ui.setBrightness.addEventListener('click', () => this.run('brightness'));
    ui.setClock.addEventListener('click', () => this.run('clock'));
    ui.status.addEventListener('click', () => this.run('status'));
    ui.cancel.addEventListener('click', () => sendJson('POST', '/api/runs/cancel', {}).catch((e) => report.error(e.message)));
    this.showKind();
  }

  showKind() {
    for (const part of document.querySelectorAll('[data-target]'))
      part.hidden = part.dataset.target !== this.ui.kind.value;
  }

  async loadPorts() {
    const { ports } = await getJson('/api/ports');
    this.ui.serial.replaceChildren(...ports.map((p) => new Option(p.description ? `${p.path} (${p.description})` : p.path, p.path)));
  }

  showFleets(fleets) {
    const chosen = this.ui.fleet.value;
    this.ui.fleet.replaceChildren(...fleets.map((f) => new Option(f, f)));
    if (fleets.includes(chosen)) this.ui.fleet.value = chosen;
  }

  // The screens a run goes to: a fleet file's line for one screen, or a fleet file.
  target() {
    const address = `--address ${this.ui.address.value || 1}`;
    switch (this.ui.kind.value) {
      case 'udp':
        return { screen: `udp ${this.ui.udp.value.trim()} ${address}` };
      case 'serial':
        return { screen: `serial ${this.ui.serial.value} --baud ${this.ui.baud.value} ${address}` };
      default:
        return { fleet: this.ui.fleet.value };
    }
  }

  async run(action) {
    if (this.running) return this.report.error('a run is still going; wait for it or cancel it');
    const request = { action, ...this.target() };
    if (action === 'send') Object.assign(request, { program: this.model.text(), path: this.model.path });
    if (action === 'brightness') request.brightness = Number(this.ui.brightness.value);
    this.running = true;
    this.ui.cancel.disabled = false;
    try {
      const started = await sendJson('POST', '/api/runs', request);
      this.showRows(started.screens.map((s) => ({ ...s, done: 0, total: 0 })));
      let last = null;
      await followRun((snapshot) => {
        last = snapshot;
        this.showRows(snapshot.screens);
      });
      this.sayOutcome(action, last);
    } catch (error) {
      this.report.error(error.message);
    } finally {
      this.running = false;
      this.ui.cancel.disabled = true;
    }
  }

  sayOutcome(action, snapshot) {
    if (!snapshot) return;
    const ok = snapshot.screens.filter((s) => s.result === 'ok').length;
    const all = snapshot.screens.length;
    const did = action === 'send' ? 'took the program' : 'answered';
    const sentence = `${ok} of ${all} screen${all === 1 ? '' : 's'} ${did}`;
    if (ok === all) this.report.say(sentence);
    else this.report.error(sentence);
  }

  showRows(screens) {
    this.ui.rows.replaceChildren(...screens.map((screen) => this.row(screen)));
  }

  row(screen) {
    const tr = document.createElement('tr');
    const cell = (text, className) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (className) td.className = className;
      tr.append(td);
      return td;
    };
    cell(screen.name || '-');
    cell(screen.where);
    const progress = cell('');
    if (screen.total > 0) {
      const bar = document.createElement('progress');
      bar.max = screen.total;
      bar.value = screen.done;
      progress.append(bar, ` ${screen.done} of ${screen.total}`);
    }
    const result = screen.result ?? (screen.total > 0 && screen.done === screen.total ? 'answered' : '…');
    const why = screen.result === 'failed' && screen.error ? `: ${screen.error}` : '';
    cell(result + why, screen.result === 'ok' ? 'ok' : screen.result ? 'failed' : '').dataset.result = screen.result ?? '';
    cell(screen.ms !== undefined ? `${screen.ms} ms` : '');
    cell(screen.power !== undefined ? POWER_WORDS[screen.power] ?? String(screen.power) : '');
    cell(screen.brightness !== undefined ? String(screen.brightness) : '');
    return tr;
  }
}
