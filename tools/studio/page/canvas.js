// SPDX-License-Identifier: MIT
// The design canvas: the screen at the preview's zoom, showing what the screen shows for the page
// being designed, with its areas on top to place, move and resize by mouse or keyboard.

import { KINDS } from './model.js';

// Edges closer than this many picture pixels snap together.
const SNAP_PIXELS = 6;

const width = (rect) => rect[2] - rect[0];
const height = (rect) => rect[3] - rect[1];

// The edges an edge may snap to along one axis: the screen's and every other area's.
function edgesAlong(areas, skip, screenSide, low, high) {
  const edges = [0, screenSide];
  areas.forEach((area, i) => {
    if (i !== skip) edges.push(area.rect[low], area.rect[high]);
  });
  return edges;
}

// The shift that brings the nearest of `moving` onto one of `edges` within `reach`; 0 if none.
function snapShift(moving, edges, reach) {
  let best = 0;
  let bestDistance = reach + 1;
  for (const edge of moving)
    for (const target of edges) {
      const distance = Math.abs(target - edge);
      if (distance < bestDistance) {
        best = target - edge;
        bestDistance = distance;
      }
    }
  return best;
}

// `rect` moved by (dx, dy) or, with `resize`, its right and bottom sides moved, in whole screen
// pixels, then snapped to the screen's edges and the other areas' within `reach`.
export function dragged(rect, dx, dy, resize, areas, index, screen, reach) {
  const xs = edgesAlong(areas, index, screen.width, 0, 2);
  const ys = edgesAlong(areas, index, screen.height, 1, 3);
  if (resize) {
    let right = Math.max(rect[0] + 1, rect[2] + dx);
    let bottom = Math.max(rect[1] + 1, rect[3] + dy);
    right += snapShift([right], xs, reach);
    bottom += snapShift([bottom], ys, reach);
    return [rect[0], rect[1], Math.max(rect[0] + 1, right), Math.max(rect[1] + 1, bottom)];
  }
  let left = Math.max(0, rect[0] + dx);
  let top = Math.max(0, rect[1] + dy);
  left += snapShift([left, left + width(rect)], xs, reach);
  top += snapShift([top, top + height(rect)], ys, reach);
  left = Math.max(0, left);
  top = Math.max(0, top);
  return [left, top, left + width(rect), top + height(rect)];
}

// The first place, in steps of 8 pixels from the top-left, where a `w` x `h` area overlaps no
// other; the top-left corner when there is none.
export function freeSpot(areas, w, h, screen) {
  const overlaps = (r) => areas.some((a) => r[0] < a.rect[2] && a.rect[0] < r[2] && r[1] < a.rect[3] && a.rect[1] < r[3]);
  for (let y = 0; y + h <= screen.height; y += 8)
    for (let x = 0; x + w <= screen.width; x += 8) {
      const rect = [x, y, x + w, y + h];
      if (!overlaps(rect)) return rect;
    }
  return [0, 0, w, h];
}

export class Canvas {
  constructor(model, element) {
    this.model = model;
    this.element = element;
    this.picture = element.querySelector('#canvas-picture');
    this.zoom = 4;
    this.boxes = [];
    this.drag = null;
    model.listen(() => this.render());
    element.addEventListener('pointerdown', (event) => {
      if (event.target === element || event.target === this.picture) model.select(-1);
    });
  }

  setZoom(zoom) {
    this.zoom = zoom;
    this.render();
  }

  // Shows the preview's picture, in which the page being designed starts `left` pixels in.
  showPicture(src, left) {
    this.picture.src = src;
    this.picture.style.left = `${-left}px`;
  }

  render() {
    const screen = this.model.screen();
    this.element.style.width = `${screen.width * this.zoom}px`;
    this.element.style.height = `${screen.height * this.zoom}px`;
    const areas = this.model.areas();
    const hadFocus = this.boxes.includes(document.activeElement);
    while (this.boxes.length > areas.length) this.boxes.pop().remove();
    while (this.boxes.length < areas.length) this.boxes.push(this.makeBox(this.boxes.length));
    areas.forEach((area, i) => this.place(this.boxes[i], area, i));
    const selected = this.boxes[this.model.area];
    if (hadFocus && selected && document.activeElement !== selected) selected.focus();
  }

  makeBox(index) {
    const box = document.createElement('div');
    box.className = 'area';
    box.tabIndex = 0;
    box.dataset.index = index;
    box.innerHTML = '<span class="label"></span><span class="handle"></span>';
    box.addEventListener('pointerdown', (event) => this.startDrag(event, index));
    box.addEventListener('pointermove', (event) => this.moveDrag(event));
    box.addEventListener('pointerup', (event) => this.endDrag(event));
    box.addEventListener('pointercancel', (event) => this.endDrag(event));
    box.addEventListener('focus', () => {
      if (this.model.area !== index) this.model.select(index);
    });
    box.addEventListener('keydown', (event) => this.key(event, index));
    this.element.appendChild(box);
    return box;
  }

  place(box, area, index) {
    const [left, top, right, bottom] = area.rect;
    const z = this.zoom;
    box.style.left = `${left * z}px`;
    box.style.top = `${top * z}px`;
    box.style.width = `${Math.max(1, right - left) * z}px`;
    box.style.height = `${Math.max(1, bottom - top) * z}px`;
    box.classList.toggle('selected', index === this.model.area);
    const name = `${index + 1}: ${KINDS[area.kind] || area.kind}`;
    box.querySelector('.label').textContent = name;
    box.setAttribute('aria-label', `area ${name} at ${area.rect.join(', ')}`);
  }

  startDrag(event, index) {
    if (event.button !== 0) return;
    event.preventDefault();
    this.model.select(index);
    this.boxes[index].focus({ preventScroll: true });
    this.model.remember();
    this.drag = {
      index,
      resize: event.target.classList.contains('handle'),
      x: event.clientX,
      y: event.clientY,
      rect: [...this.model.areas()[index].rect],
      moved: false,
    };
    this.boxes[index].setPointerCapture(event.pointerId);
  }

  moveDrag(event) {
    const drag = this.drag;
    if (!drag) return;
    const dx = Math.round((event.clientX - drag.x) / this.zoom);
    const dy = Math.round((event.clientY - drag.y) / this.zoom);
    const reach = Math.max(1, Math.round(SNAP_PIXELS / this.zoom));
    const rect = dragged(drag.rect, dx, dy, drag.resize, this.model.areas(), drag.index,
                         this.model.screen(), reach);
    const area = this.model.areas()[drag.index];
    if (rect.every((side, i) => side === area.rect[i])) return;
    drag.moved = true;
    this.model.continueChange(() => { area.rect = rect; });
  }

  endDrag(event) {
    if (!this.drag) return;
    if (!this.drag.moved) this.model.done.pop();  // a click changes nothing to undo
    this.boxes[this.drag.index]?.releasePointerCapture(event.pointerId);
    this.drag = null;
  }

  key(event, index) {
    const steps = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    if (event.key === 'Delete' || event.key === 'Backspace') {
      event.preventDefault();
      this.model.change((program) => program.pages[this.model.page].areas.splice(index, 1));
      this.model.select(Math.min(index, this.model.areas().length - 1));
      this.boxes[this.model.area]?.focus();
      return;
    }
    const step = steps[event.key];
    if (!step) return;
    event.preventDefault();
    const area = this.model.areas()[index];
    const r = area.rect;
    const next = event.shiftKey
      ? [r[0], r[1], Math.max(r[0] + 1, r[2] + step[0]), Math.max(r[1] + 1, r[3] + step[1])]
      : [Math.max(0, r[0] + step[0]), Math.max(0, r[1] + step[1]),
         Math.max(0, r[0] + step[0]) + width(r), Math.max(0, r[1] + step[1]) + height(r)];
    if (next.every((side, i) => side === r[i])) return;
    this.model.change(() => { area.rect = next; });
  }
}
