// SPDX-License-Identifier: MIT
// The studio's folder: program files opened and saved, pictures uploaded, the built program and
// the preview's picture exported. Every path is relative to the folder.

import { getJson, putText, postBytes, sendJson, path } from './api.js';
import { DEFAULT_SCREEN, emptyProgram } from './model.js';

// What a picture may have: as the studio refuses it, said before it is sent.
const MAX_PICTURE_BYTES = 16 * 1024 * 1024;

const folderOf = (file) => (file.includes('/') ? file.slice(0, file.lastIndexOf('/') + 1) : '');

// `target` (relative to the studio's folder) as seen from the folder `from` ("signs/").
export function relativeTo(from, target) {
  const up = from.split('/').filter(Boolean);
  const down = target.split('/');
  while (up.length && down.length > 1 && up[0] === down[0]) {
    up.shift();
    down.shift();
  }
  return [...up.map(() => '..'), ...down].join('/');
}

// A program opened without a screen is designed on one as large as its areas reach.
function screenFor(program) {
  const reach = { width: 1, height: 1 };
  for (const page of program.pages || [])
    for (const area of page.areas || []) {
      reach.width = Math.max(reach.width, area.rect[2]);
      reach.height = Math.max(reach.height, area.rect[3]);
    }
  return reach.width > 1 || reach.height > 1 ? reach : { ...DEFAULT_SCREEN };
}

export class Files {
  constructor(model, ui, report, preview) {
    this.model = model;
    this.ui = ui;
    this.report = report;
    this.preview = preview;
    this.listing = { programs: [], pictures: [], fleets: [] };
    ui.newProgram.addEventListener('click', () => this.startNew());
    ui.open.addEventListener('click', () => this.open(ui.openList.value));
    ui.save.addEventListener('click', () => this.save());
    ui.exportBin.addEventListener('click', () => this.exportAs('.bin'));
    ui.exportPng.addEventListener('click', () => this.exportAs('.png'));
  }

  async refresh() {
    this.listing = await getJson('/api/files');
    const list = this.ui.openList;
    const chosen = list.value;
    list.replaceChildren(...this.listing.programs.map((p) => new Option(p, p)));
    if (this.listing.programs.includes(chosen)) list.value = chosen;
    this.ui.onListing(this.listing);
  }

  // The folder's pictures as the program names them: relative to its own folder.
  pictures() {
    return this.listing.pictures.map((p) => relativeTo(folderOf(this.model.path), p));
  }

  startNew() {
    this.model.replace(emptyProgram(), '');
    this.ui.path.value = '';
    this.report.say('a new program');
  }

  async open(file) {
    if (!file) return this.report.error('there is no program file in the folder to open');
    try {
      const opened = await getJson(path('/api/file', { path: file }));
      const program = JSON.parse(opened.text);
      if (!program.screen) program.screen = screenFor(program);
      this.model.replace(program, opened.path);
      this.ui.path.value = opened.path;
      this.report.say(`opened ${opened.path}`);
    } catch (error) {
      this.report.error(error.message);
    }
  }

  // The path typed, made a program file's name.
  programPath() {
    let file = this.ui.path.value.trim();
    if (file && !file.endsWith('.json')) file += '.json';
    return file;
  }

  async save() {
    const file = this.programPath();
    if (!file) return this.report.error('name the program file to save, e.g. sign.json');
    try {
      const saved = await putText(path('/api/file', { path: file }), this.model.text());
      this.model.markSaved(saved.path);
      this.ui.path.value = saved.path;
      this.report.say(`saved ${saved.path} (${saved.bytes.toLocaleString('en')} bytes)`);
      await this.refresh();
    } catch (error) {
      this.report.error(error.message);
    }
  }

  async exportAs(extension) {
    const base = this.programPath() || 'program.json';
    const to = base.replace(/\.json$/, extension);
    try {
      const written = await sendJson('POST', '/api/export', {
        program: this.model.text(),
        path: this.model.path,
        at: this.preview.at(),
        scale: Number(this.preview.ui.zoom.value),
        page: this.preview.ui.pages.value === 'one' ? this.model.page : null,
        to,
      });
      this.report.say(`wrote ${written.path} (${written.bytes.toLocaleString('en')} bytes)`);
      await this.refresh();
    } catch (error) {
      this.report.error(error.message);
    }
  }

  // Uploads a PNG into the program's folder (under a name of its own when the name is taken);
  // what the program names it by, and its size.
  async upload(file) {
    if (file.size > MAX_PICTURE_BYTES)
      throw new Error(`${file.name} has ${file.size.toLocaleString('en')} bytes, more than the ${MAX_PICTURE_BYTES.toLocaleString('en')} a picture may have`);
    const folder = folderOf(this.model.path);
    const stem = file.name.replace(/\.png$/i, '').replace(/[^A-Za-z0-9_.-]/g, '_') || 'picture';
    let name = `${stem}.png`;
    for (let n = 2; this.listing.pictures.includes(folder + name); ++n) name = `${stem}-${n}.png`;
    const saved = await postBytes(path('/api/pictures', { path: folder + name }), file, 'image/png');
    await this.refresh();
    return { file: name, width: saved.width, height: saved.height };
  }
}
