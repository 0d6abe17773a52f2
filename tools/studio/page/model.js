// SPDX-License-Identifier: MIT
// The program being designed, kept exactly as its program file says it (what Save writes and what
// the studio builds), with the page and area being worked on and the history for undo and redo.

export const KINDS = {
  text: 'text',
  string: 'string',
  datetime: 'date and time',
  clock: 'clock',
  image: 'picture',
};

export const DEFAULT_SCREEN = { width: 128, height: 64 };
const HISTORY_LIMIT = 200;

export function emptyProgram() {
  return { rootType: 1, colorMode: 2, screen: { ...DEFAULT_SCREEN }, pages: [{ param: 0, areas: [] }] };
}

// A new area of `kind` at `rect`, with the settings a program file would default to.
export function newArea(kind, rect, extra = {}) {
  const base = { kind, rect };
  switch (kind) {
    case 'text':
      return { ...base, text: 'Text', font: 'DejaVu Sans', size: 9, color: 'yellow', ...extra };
    case 'string':
      return { ...base, text: 'String', stringParamA: 0, stringParamB: 0, ...extra };
    case 'datetime':
      return { ...base, format: 'time', font: 'DejaVu Sans', size: 9, color: 'green', ...extra };
    case 'clock':
      return {
        ...base,
        colors: { hour: 'red', minute: 'green', second: 'yellow', mark: 'green', ring: 'red', face: 'black' },
        ...extra,
      };
    default:
      return { ...base, ...extra };
  }
}

export class Model {
  constructor() {
    this.program = emptyProgram();
    this.path = '';
    this.page = 0;
    this.area = -1;  // the selected area of the page, or -1
    this.undone = [];
    this.done = [];
    this.listeners = [];
    this.savedText = this.text();
  }

  // `listener(what)` runs after every change; `what` is 'program' when the program changed and
  // 'view' when only the page or selection did.
  listen(listener) { this.listeners.push(listener); }
  notify(what) { for (const listener of this.listeners) listener(what); }

  text() { return JSON.stringify(this.program, null, 2) + '\n'; }
  screen() { return this.program.screen || DEFAULT_SCREEN; }
  currentPage() { return this.program.pages[this.page]; }
  areas() { return this.currentPage() ? this.currentPage().areas || [] : []; }
  selected() { return this.areas()[this.area]; }
  changedSinceSave() { return this.text() !== this.savedText; }

  // Records the program as it is, so that the change about to be made can be undone.
  remember() {
    this.done.push(this.text());
    if (this.done.length > HISTORY_LIMIT) this.done.shift();
    this.undone = [];
  }

  // Makes a change to the program: `change(program)` edits it in place.
  change(change) {
    this.remember();
    change(this.program);
    this.settle();
    this.notify('program');
  }

  // A change that continues one already remembered (a drag in progress).
  continueChange(change) {
    change(this.program);
    this.notify('program');
  }

  undo() { this.step(this.done, this.undone); }
  redo() { this.step(this.undone, this.done); }

  step(from, to) {
    if (from.length === 0) return;
    to.push(this.text());
    this.program = JSON.parse(from.pop());
    this.settle();
    this.notify('program');
  }

  // Keeps the page and selection inside what the program has.
  settle() {
    if (!Array.isArray(this.program.pages) || this.program.pages.length === 0)
      this.program.pages = [{ param: 0, areas: [] }];
    this.page = Math.min(Math.max(this.page, 0), this.program.pages.length - 1);
    if (!this.currentPage().areas) this.currentPage().areas = [];
    if (this.area >= this.areas().length) this.area = this.areas().length - 1;
  }

  replace(program, path) {
    this.program = program;
    this.path = path;
    this.page = 0;
    this.area = -1;
    this.done = [];
    this.undone = [];
    this.settle();
    this.savedText = this.text();
    this.notify('program');
  }

  markSaved(path) {
    this.path = path;
    this.savedText = this.text();
  }

  select(area) {
    this.area = area;
    this.notify('view');
  }

  showPage(page) {
    this.page = page;
    this.area = -1;
    this.settle();
    this.notify('view');
  }
}
