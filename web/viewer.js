// The viewer page: files in (input, folder, drop), a worker reads them, the
// gallery fills in as pictures arrive, and one picture opens large.

import { encodePng } from './png.js';

const $ = (id) => document.getElementById(id);
const gallery = $('gallery');
const status = $('status');
const viewer = $('viewer');
const large = $('large');
const scaleChoice = $('scale');

const worker = new Worker(new URL('./reader.worker.js', import.meta.url), { type: 'module' });
const shown = [];        // every picture drawn: {canvas, path, label, form, width, height}
const arrived = [];      // worker results not yet in the gallery
let given = 0, read = 0, pictures = 0, without = 0;
let current = -1;        // the picture open large
let started = 0;

// --- Reading --------------------------------------------------------------------

function readFiles(files) {
  if (files.length === 0) return;
  if (given === read) started = performance.now();
  given += files.length;
  document.body.classList.add('has-files');
  $('clear').disabled = false;
  showStatus();
  worker.postMessage({ files });
}

worker.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'version') {
    $('version').textContent = message.version;
    return;
  }
  arrived.push(message);
  scheduleDrawing();
};
worker.onerror = () => { status.textContent = 'The reader stopped: reload the page to read again.'; };

function showStatus() {
  const counts = `${pictures} picture${pictures === 1 ? '' : 's'}` + (without ? `, ${without} without a picture` : '');
  if (read < given) status.textContent = `Reading ${read} of ${given} files… ${counts}`;
  else status.textContent = `${given} file${given === 1 ? '' : 's'}: ${counts}` +
    (given ? ` (${((performance.now() - started) / 1000).toFixed(1)} s)` : '');
  document.body.dataset.reading = read < given ? 'yes' : 'no';
}

// --- The gallery: drawn a frame's worth at a time, so the page stays responsive

let drawing = false;
function scheduleDrawing() {
  if (!drawing) {
    drawing = true;
    requestAnimationFrame(drawSome);
  }
}

function drawSome() {
  const until = performance.now() + 10;
  while (arrived.length && performance.now() < until) {
    const message = arrived.shift();
    if (message.type === 'file') addFile(message);
    else if (message.type === 'done') ++read;  // counted once drawn, so "read" means shown
  }
  showStatus();
  drawing = false;
  if (arrived.length) scheduleDrawing();
}

function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function caption(path, detail) {
  const c = element('figcaption');
  c.append(element('span', 'file', path), element('span', 'detail', detail));
  c.firstChild.title = path;
  return c;
}

function reasonCard(path, reason, detail) {
  const card = element('figure', 'card none');
  card.tabIndex = 0;
  card.dataset.file = path;
  card.append(element('div', 'frame reason', reason), caption(path, detail));
  gallery.append(card);
}

function describe(picture) {
  return [picture.label, picture.form, `${picture.width}×${picture.height}`].filter(Boolean).join(' · ');
}

function addFile({ path, reason, pictures: list }) {
  if (list.length === 0) {
    ++without;
    reasonCard(path, reason, 'no picture');
    return;
  }
  for (const picture of list) {
    ++pictures;
    const canvas = picture.rgba ? drawn(picture) : null;
    if (canvas === null) {
      reasonCard(path, picture.width === 0 || picture.height === 0
        ? `an empty picture (${picture.width}×${picture.height})`
        : `too large to draw here (${picture.width}×${picture.height}); korvel convert writes it as a PNG`,
      describe(picture));
      continue;
    }
    canvas.dataset.file = path;
    canvas.dataset.label = picture.label;
    const index = shown.length;
    shown.push({ canvas, path, label: picture.label, form: picture.form, width: picture.width, height: picture.height });
    const card = element('figure', 'card');
    card.tabIndex = 0;
    card.dataset.index = index;
    const frame = element('div', 'frame');
    frame.append(canvas);
    card.append(frame, caption(path, describe(picture)));
    gallery.append(card);
  }
}

// A canvas of the picture's own size holding its pixels, or null when the
// browser cannot make one that large.
function drawn(picture) {
  const canvas = document.createElement('canvas');
  canvas.width = picture.width;
  canvas.height = picture.height;
  try {
    const context = canvas.getContext('2d');
    if (context === null) return null;
    context.putImageData(new ImageData(picture.rgba, picture.width, picture.height), 0, 0);
    return canvas;
  } catch {
    return null;
  }
}

gallery.addEventListener('click', (event) => {
  const card = event.target.closest('.card[data-index]');
  if (card) open(Number(card.dataset.index));
});

gallery.addEventListener('keydown', (event) => {
  const card = event.target.closest('.card');
  if (!card) return;
  if ((event.key === 'Enter' || event.key === ' ') && card.dataset.index !== undefined) {
    event.preventDefault();
    open(Number(card.dataset.index));
    return;
  }
  const cards = [...gallery.children];
  const at = cards.indexOf(card);
  const columns = getComputedStyle(gallery).gridTemplateColumns.split(' ').length;
  const step = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -columns, ArrowDown: columns }[event.key];
  if (step === undefined) return;
  event.preventDefault();
  cards[Math.min(cards.length - 1, Math.max(0, at + step))].focus();
});

$('clear').addEventListener('click', () => {
  gallery.replaceChildren();
  shown.length = 0;
  pictures = without = 0;
  given -= read;
  read = 0;
  if (given === 0) {
    document.body.classList.remove('has-files');
    $('clear').disabled = true;
    status.textContent = 'Drop files, folders, .zip or .gz archives anywhere on this page.';
  }
});

// --- Files in ------------------------------------------------------------------

function fromInput(input) {
  const files = [...input.files].map((file) => ({ file, path: file.webkitRelativePath || file.name }));
  files.sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
  readFiles(files);
  input.value = '';
}
$('files').addEventListener('change', (event) => fromInput(event.target));
$('folder').addEventListener('change', (event) => fromInput(event.target));

// Every file under a dropped folder, sorted by path as korvel walks folders.
async function filesOf(entry, into) {
  if (entry.isFile) {
    await new Promise((resolve) => entry.file(
      (file) => { into.push({ file, path: entry.fullPath.replace(/^\/+/, '') }); resolve(); },
      () => resolve()));
  } else if (entry.isDirectory) {
    const reader = entry.createReader();
    const inside = [];
    for (;;) {
      const batch = await new Promise((resolve) => reader.readEntries(resolve, () => resolve([])));
      if (batch.length === 0) break;
      inside.push(...batch);
    }
    for (const child of inside) await filesOf(child, into);
  }
}

let dragDepth = 0;
window.addEventListener('dragenter', (event) => {
  event.preventDefault();
  if (++dragDepth === 1) document.body.classList.add('dragging');
});
window.addEventListener('dragleave', () => {
  if (--dragDepth <= 0) {
    dragDepth = 0;
    document.body.classList.remove('dragging');
  }
});
window.addEventListener('dragover', (event) => event.preventDefault());
window.addEventListener('drop', async (event) => {
  event.preventDefault();
  dragDepth = 0;
  document.body.classList.remove('dragging');
  const transfer = event.dataTransfer;
  // Entries are taken at once: the transfer empties after the event.
  const entries = [...transfer.items].filter((item) => item.kind === 'file')
    .map((item) => ({ entry: item.webkitGetAsEntry?.() ?? null, file: item.getAsFile() }));
  const files = [];
  for (const { entry, file } of entries) {
    if (entry && entry.isDirectory) {
      const inside = [];
      await filesOf(entry, inside);
      inside.sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
      files.push(...inside);
    } else if (file) {
      files.push({ file, path: file.name });
    }
  }
  readFiles(files);
});

// --- One picture, large ------------------------------------------------------------

function fitScale(picture) {
  const stage = $('stage');
  return Math.max(0.01, Math.min(stage.clientWidth / picture.width, stage.clientHeight / picture.height));
}

function applyScale() {
  const picture = shown[current];
  if (!picture) return;
  const scale = scaleChoice.value === 'fit' ? fitScale(picture) : Number(scaleChoice.value);
  large.style.width = `${Math.round(picture.width * scale)}px`;
  large.style.height = `${Math.round(picture.height * scale)}px`;
}

function open(index) {
  if (shown.length === 0) return;
  current = (index + shown.length) % shown.length;
  const picture = shown[current];
  large.width = picture.width;
  large.height = picture.height;
  const context = large.getContext('2d');
  context.putImageData(picture.canvas.getContext('2d').getImageData(0, 0, picture.width, picture.height), 0, 0);
  large.dataset.file = picture.path;
  large.dataset.label = picture.label;
  $('viewer-name').textContent = picture.path;
  $('viewer-detail').textContent = `${describe(picture)} · ${current + 1} of ${shown.length}`;
  if (!viewer.open) viewer.showModal();
  applyScale();
}

async function save() {
  const picture = shown[current];
  if (!picture) return;
  const pixels = picture.canvas.getContext('2d').getImageData(0, 0, picture.width, picture.height).data;
  const blob = await encodePng(pixels, picture.width, picture.height);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = `${picture.path.split('/').pop()}${picture.label ? `.${picture.label}` : ''}.png`;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

$('prev').addEventListener('click', () => open(current - 1));
$('next').addEventListener('click', () => open(current + 1));
$('close').addEventListener('click', () => viewer.close());
$('save').addEventListener('click', save);
scaleChoice.addEventListener('change', applyScale);
window.addEventListener('resize', applyScale);
viewer.addEventListener('close', () => {
  gallery.querySelector(`.card[data-index="${current}"]`)?.focus();
});
viewer.addEventListener('keydown', (event) => {
  if (event.target === scaleChoice && event.key.startsWith('Arrow')) return;
  const key = event.key;
  if (key === 'ArrowLeft') open(current - 1);
  else if (key === 'ArrowRight') open(current + 1);
  else if (key === 'Home') open(0);
  else if (key === 'End') open(shown.length - 1);
  else if (key >= '1' && key <= '8') scaleChoice.value = key;
  else if (key === 'f' || key === 'F' || key === '0') scaleChoice.value = 'fit';
  else if (key === 's' || key === 'S') save();
  else return;
  event.preventDefault();
  applyScale();
});
