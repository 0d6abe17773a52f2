// SPDX-License-Identifier: MIT
// The studio's page: wires the program, its canvas, settings, preview, files and screens.

import { getJson } from './api.js';
import { Canvas, freeSpot } from './canvas.js';
import { Files } from './files.js';
import { Inspector } from './inspector.js';
import { DEFAULT_SCREEN, Model, newArea } from './model.js';
import { Preview } from './preview.js';
import { Screens } from './send.js';

const $ = (id) => document.getElementById(id);

// Screens people design for, as width x height; "other" keeps the sizes typed.
const PROFILES = [[64, 32], [96, 16], [128, 32], [128, 64], [192, 64], [256, 64], [256, 128]];
// The size a new area of each kind starts at, cut to the screen.
const NEW_SIZES = { text: [64, 16], string: [64, 16], datetime: [48, 16], clock: [32, 32] };

const message = $('message');
const report = {
  say(sentence) {
    message.textContent = sentence;
    message.className = '';
  },
  error(sentence) {
    message.textContent = sentence + (/[.!?]$/.test(sentence) ? '' : '.');
    message.className = 'error';
  },
  clear() {
    if (message.className === 'error') report.say('');
  },
};

const model = new Model();
const canvas = new Canvas(model, $('canvas'));
const preview = new Preview(model, canvas, {
  date: $('preview-date'), time: $('preview-time'), slider: $('preview-slider'),
  play1: $('play-1'), play60: $('play-60'), stop: $('play-stop'), pages: $('preview-pages'),
  zoom: $('preview-zoom'), picture: $('preview-picture'), gauge: $('size-gauge'),
  size: $('size-text'), warnings: $('warnings'),
}, report);
const screens = new Screens(model, {
  kind: $('target-kind'), udp: $('target-udp'), serial: $('target-serial'), baud: $('target-baud'),
  fleet: $('target-fleet'), address: $('target-address'), send: $('send-program'),
  powerOn: $('power-on'), powerOff: $('power-off'), brightness: $('brightness'),
  setBrightness: $('set-brightness'), setClock: $('set-clock'), status: $('read-status'),
  cancel: $('cancel-run'), rows: document.querySelector('#results tbody'),
}, report);
const files = new Files(model, {
  newProgram: $('new-program'), openList: $('open-list'), open: $('open-program'),
  path: $('program-path'), save: $('save-program'), exportBin: $('export-bin'),
  exportPng: $('export-png'), onListing: (listing) => screens.showFleets(listing.fleets),
}, report, preview);
let fonts = ['DejaVu Sans'];
new Inspector(model, $('area-form'), $('inspector-title'), {
  fonts: () => fonts,
  pictures: () => files.pictures(),
  upload: () => choosePicture(model.area),
});

// Adds an area of `kind` where it overlaps nothing, and selects it.
function addArea(kind, extra = {}, size = NEW_SIZES[kind]) {
  const screen = model.screen();
  const w = Math.max(1, Math.min(size[0], screen.width));
  const h = Math.max(1, Math.min(size[1], screen.height));
  const rect = freeSpot(model.areas(), w, h, screen);
  model.change((program) => program.pages[model.page].areas.push(newArea(kind, rect, extra)));
  model.select(model.areas().length - 1);
  document.querySelector(`.area[data-index="${model.area}"]`)?.focus();
}

// A picture is chosen by uploading a PNG: for a new area (`area` -1) or the selected one.
let pictureFor = -1;
function choosePicture(area) {
  pictureFor = area;
  $('picture-file').value = '';
  $('picture-file').click();
}
$('picture-file').addEventListener('change', async () => {
  const file = $('picture-file').files[0];
  if (!file) return;
  try {
    const picture = await files.upload(file);
    const screen = model.screen();
    const larger = picture.width > screen.width || picture.height > screen.height;
    if (pictureFor < 0) {
      addArea('image', { file: picture.file, ...(larger ? { fit: 'scale' } : {}) },
              [picture.width, picture.height]);
    } else {
      const area = model.areas()[pictureFor];
      model.change(() => { area.file = picture.file; });
    }
    report.say(`uploaded ${picture.file} (${picture.width} x ${picture.height} pixels)`);
  } catch (error) {
    report.error(error.message);
  }
});

for (const button of $('add-area').querySelectorAll('button'))
  button.addEventListener('click', () => (button.dataset.kind === 'image' ? choosePicture(-1) : addArea(button.dataset.kind)));

// Pages.
function pageItem(index) {
  const item = document.createElement('li');
  const button = document.createElement('button');
  button.type = 'button';
  button.textContent = `Page ${index + 1}`;
  button.addEventListener('click', () => model.showPage(index));
  item.append(button);
  return item;
}
// The list keeps its buttons from change to change, only adding or removing the difference: a
// button replaced would take a keyboard user's focus with it.
function showPages() {
  const list = $('page-list');
  const count = model.program.pages.length;
  while (list.children.length > count) list.lastElementChild.remove();
  while (list.children.length < count) list.append(pageItem(list.children.length));
  list.querySelectorAll('button').forEach((button, i) => button.setAttribute('aria-current', String(i === model.page)));
  $('page-param').value = model.currentPage().param ?? 0;
  $('remove-page').disabled = model.program.pages.length < 2;
  $('page-earlier').disabled = model.page === 0;
  $('page-later').disabled = model.page === model.program.pages.length - 1;
}
$('add-page').addEventListener('click', () => {
  model.change((program) => program.pages.splice(model.page + 1, 0, { param: 0, areas: [] }));
  model.showPage(model.page + 1);
});
$('remove-page').addEventListener('click', () => model.change((program) => program.pages.splice(model.page, 1)));
const movePage = (by) => {
  const from = model.page;
  model.change((program) => program.pages.splice(from + by, 0, ...program.pages.splice(from, 1)));
  model.showPage(from + by);
};
$('page-earlier').addEventListener('click', () => movePage(-1));
$('page-later').addEventListener('click', () => movePage(1));
$('page-param').addEventListener('change', () => {
  const value = Number($('page-param').value);
  if (Number.isInteger(value)) model.change(() => { model.currentPage().param = value; });
});

// The screen the program is made for.
const profile = $('screen-profile');
profile.append(...PROFILES.map(([w, h]) => new Option(`${w} × ${h}`, `${w}x${h}`)), new Option('other', 'other'));
function showScreen() {
  const screen = model.screen();
  const key = `${screen.width}x${screen.height}`;
  profile.value = PROFILES.some(([w, h]) => `${w}x${h}` === key) ? key : 'other';
  $('screen-width').value = screen.width;
  $('screen-height').value = screen.height;
  $('color-mode').value = model.program.colorMode === 1 ? '1' : '2';
  $('root-type').value = model.program.rootType ?? 1;
}
const setScreen = (width, height) => {
  if (Number.isInteger(width) && Number.isInteger(height) && width > 0 && height > 0)
    model.change((program) => { program.screen = { width, height }; });
};
profile.addEventListener('change', () => {
  if (profile.value !== 'other') setScreen(...profile.value.split('x').map(Number));
});
for (const side of ['screen-width', 'screen-height'])
  $(side).addEventListener('change', () => setScreen(Number($('screen-width').value), Number($('screen-height').value)));
$('color-mode').addEventListener('change', () => model.change((program) => { program.colorMode = Number($('color-mode').value); }));
$('root-type').addEventListener('change', () => {
  const value = Number($('root-type').value);
  if (Number.isInteger(value)) model.change((program) => { program.rootType = value; });
});

// History.
$('undo').addEventListener('click', () => model.undo());
$('redo').addEventListener('click', () => model.redo());
document.addEventListener('keydown', (event) => {
  const typing = event.target.matches('input[type=text], input:not([type]), input[type=number]');
  if (typing || !(event.ctrlKey || event.metaKey)) return;
  const key = event.key.toLowerCase();
  if (key === 'z' && !event.shiftKey) model.undo();
  else if (key === 'y' || (key === 'z' && event.shiftKey)) model.redo();
  else return;
  event.preventDefault();
});

// A button pressed until it can do no more is disabled under a keyboard user's focus, which the
// browser then drops: it goes on to the button that takes the step back, enabled by the same press.
const STEP_BACK = { undo: 'redo', redo: 'undo', 'page-earlier': 'page-later', 'page-later': 'page-earlier', 'remove-page': 'add-page' };
model.listen(() => {
  const focused = document.activeElement;
  showPages();
  showScreen();
  $('undo').disabled = model.done.length === 0;
  $('redo').disabled = model.undone.length === 0;
  if (focused?.disabled && STEP_BACK[focused.id]) $(STEP_BACK[focused.id]).focus();
});

// For the page's tests: the program, and the preview's round trips.
window.studio = { model, preview, ready: null };
window.studio.ready = (async () => {
  try {
    [fonts] = await Promise.all([getJson('/api/fonts').then((f) => f.families), files.refresh(), screens.loadPorts()]);
  } catch (error) {
    report.error(error.message);
  }
  if (!model.program.screen) model.program.screen = { ...DEFAULT_SCREEN };
  model.notify('program');
})();
