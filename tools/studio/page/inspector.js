// SPDX-License-Identifier: MIT
// The settings of the selected area: every setting its kind has in a program file.

import { KINDS } from './model.js';

const COLORS = ['red', 'green', 'yellow', 'white', 'black'];
const FORMATS = ['date', 'time', 'time-seconds', 'year', 'month', 'day', 'hour', 'minute', 'second', 'weekday'];
const FITS = [['', 'as it is'], ['crop', 'cut to the area'], ['scale', 'scaled to fit']];
const CLOCK_PARTS = ['hour', 'minute', 'second', 'mark', 'ring', 'face'];
// Edits of one field this close together are undone as one.
const TYPING_MS = 1000;

const rectField = (label, side, fromSize) => ({
  label,
  type: 'number',
  get: (area) => (fromSize ? area.rect[side + 2] - area.rect[side] : area.rect[side]),
  set: (area, value) => {
    const r = area.rect;
    if (fromSize) {
      r[side + 2] = r[side] + value;
    } else {
      const size = r[side + 2] - r[side];
      r[side] = value;
      r[side + 2] = value + size;
    }
  },
});

// Settings a program file may leave out, and are left out while they have their default.
const OPTIONAL = /^(fit|areaParam|paramA|paramB)$/;

// A setting kept under `key`.
const plain = (key, label, type, options) => ({
  label,
  type,
  options,
  get: (area) => area[key] ?? (type === 'number' ? 0 : ''),
  set: (area, value) => {
    if (OPTIONAL.test(key) && (value === '' || value === 0)) delete area[key];
    else area[key] = value;
  },
});

const colorOf = (key, label) => plain(key, label, 'select', () => COLORS);

const common = [
  rectField('Left', 0, false), rectField('Top', 1, false),
  rectField('Width', 0, true), rectField('Height', 1, true),
];
const advanced = [
  plain('areaParam', 'Area parameter', 'number'),
  plain('paramA', 'Parameter A', 'number'),
  plain('paramB', 'Parameter B', 'number'),
];

export class Inspector {
  constructor(model, element, title, sources) {
    this.model = model;
    this.form = element;
    this.title = title;
    this.sources = sources;  // { fonts(), pictures(), upload() }
    this.shown = '';
    this.inputs = [];
    this.lastEdit = { field: null, at: 0 };
    model.listen(() => this.render());
  }

  fieldsOf(area) {
    const font = [plain('font', 'Font', 'select', () => this.sources.fonts()), plain('size', 'Size (points)', 'number'), colorOf('color', 'Colour')];
    switch (area.kind) {
      case 'text':
        return [plain('text', 'Text', 'text'), ...font];
      case 'string':
        return [plain('text', 'Text', 'text'), plain('stringParamA', 'String parameter A', 'number'), plain('stringParamB', 'String parameter B', 'number')];
      case 'datetime':
        return [plain('format', 'Shows', 'select', () => FORMATS), ...font];
      case 'clock':
        return CLOCK_PARTS.map((part) => ({
          label: `${part[0].toUpperCase()}${part.slice(1)} colour`,
          type: 'select',
          options: () => COLORS,
          get: (a) => (a.colors || {})[part] ?? '',
          set: (a, value) => { a.colors = { ...(a.colors || {}), [part]: value }; },
        }));
      case 'image':
        return [plain('file', 'Picture', 'select', () => this.sources.pictures()), plain('fit', 'Fit', 'select', () => FITS)];
      default:
        return [];
    }
  }

  render() {
    const area = this.model.selected();
    const key = area ? `${this.model.page}/${this.model.area}/${area.kind}` : '';
    if (key !== this.shown) this.build(area, key);
    else this.refresh(area);
  }

  build(area, key) {
    this.shown = key;
    this.form.replaceChildren();
    this.inputs = [];
    this.form.hidden = !area;
    this.title.textContent = area ? `Area ${this.model.area + 1}: ${KINDS[area.kind] || area.kind}` : 'No area selected';
    if (!area) return;
    for (const field of [...this.fieldsOf(area), ...common]) this.form.append(this.makeField(field, area));
    const more = document.createElement('details');
    more.innerHTML = '<summary>Values for the screen</summary>';
    for (const field of advanced) more.append(this.makeField(field, area));
    this.form.append(more);
    if (area.kind === 'image') {
      const upload = document.createElement('button');
      upload.type = 'button';
      upload.id = 'upload-picture';
      upload.textContent = 'Upload a PNG…';
      upload.addEventListener('click', () => this.sources.upload());
      this.form.append(upload);
    }
  }

  makeField(field, area) {
    const label = document.createElement('label');
    label.textContent = field.label + ' ';
    const input = document.createElement(field.type === 'select' ? 'select' : 'input');
    input.name = field.label;
    if (field.type !== 'select') input.type = field.type;
    if (field.type === 'number') input.step = '1';
    label.append(input);
    this.inputs.push({ field, input });
    this.fill(field, input, area);
    input.addEventListener(field.type === 'select' ? 'change' : 'input', () => this.edit(field, input));
    return label;
  }

  // Puts the area's value in the input, and for a list every choice, the value's among them.
  fill(field, input, area) {
    const value = field.get(area);
    if (field.type === 'select') {
      const choices = field.options().map((o) => (Array.isArray(o) ? o : [o, o]));
      if (!choices.some(([v]) => String(v) === String(value))) choices.push([value, String(value)]);
      input.replaceChildren(...choices.map(([v, text]) => new Option(text, v)));
    }
    input.value = value;
  }

  refresh(area) {
    for (const { field, input } of this.inputs)
      if (input !== document.activeElement) this.fill(field, input, area);
  }

  edit(field, input) {
    const area = this.model.selected();
    if (!area) return;
    let value = input.value;
    if (field.type === 'number') {
      if (!/^-?\d+$/.test(value.trim())) return;  // unfinished: the studio judges it once whole
      value = Number(value);
    }
    const now = performance.now();
    const typing = this.lastEdit.field === field && now - this.lastEdit.at < TYPING_MS;
    this.lastEdit = { field, at: now };
    const apply = () => field.set(area, value);
    if (typing) this.model.continueChange(apply);
    else this.model.change(apply);
  }
}
