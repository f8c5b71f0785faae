// The viewer page: files in (input, folder, drop), a worker reads them, the
// gallery fills in as pictures arrive, and one picture opens large, where
// a picture that moves plays and the drawing choices can be changed: the
// file shown is then read again with them.

import { encodeAnimatedPng } from './png.js';
import { parsePalette, plainPalette } from './korvel.mjs';

const $ = (id) => document.getElementById(id);
const gallery = $('gallery');
const status = $('status');
const viewer = $('viewer');
const large = $('large');
const zoomChoice = $('zoom');
const largeReason = $('large-reason');

const worker = new Worker(new URL('./reader.worker.js', import.meta.url), { type: 'module' });
// Every picture drawn: {canvas, path, label, form, width, height, frames:
// [{image, ms, numerator, denominator}], source (its file's), ordinal (its
// place among the file's pictures), key (the choices it was read with),
// reason (set when a later read with other choices gave no picture here)}.
const shown = [];
const arrived = [];      // worker results not yet in the gallery
const sent = [];         // files given to the worker and not yet done with, in order
let given = 0, read = 0, pictures = 0, without = 0;
let current = -1;        // the picture open large
let started = 0;

// --- The drawing choices -----------------------------------------------------------

const palettes = { default: null };
for (const level of [192, 205, 215, 224, 170]) palettes[level] = plainPalette(level);
const choiceControls = ['palette', 'gigascreen', 'border', 'border-colour', 'scale'].map($);
let paletteFiles = 0;

// What the worker reads with, and a key that tells two sets of choices apart.
function choices() {
  const [palette, gigascreen, border, borderColour, scale] = choiceControls.map((c) => c.value);
  return {
    options: { palette: palettes[palette] ?? null, gigascreen, border, borderColour: Number(borderColour), scale: Number(scale) },
    // Each palette file read is a palette of its own.
    key: `${palette}${palette === 'file' ? paletteFiles : ''}/${gigascreen}/${border}/${borderColour}/${scale}`,
  };
}

// --- Reading --------------------------------------------------------------------

function readFiles(files) {
  if (files.length === 0) return;
  if (given === read) started = performance.now();
  given += files.length;
  document.body.classList.add('has-files');
  $('clear').disabled = false;
  showStatus();
  const { options, key } = choices();
  sent.push(...files.map((f) => ({ file: f.file, key })));
  worker.postMessage({ files, options });
}

worker.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'version') {
    $('version').textContent = message.version;
    return;
  }
  if (message.again !== undefined) {
    readAgain(message);
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
    else if (message.type === 'done') {
      ++read;  // counted once drawn, so "read" means shown
      sent.shift();
    }
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
  const frames = picture.frames.length > 1 ? `${picture.frames.length} frames` : '';
  return [picture.label, picture.form, `${picture.width}×${picture.height}`, frames].filter(Boolean).join(' · ');
}

// A picture's frames as the canvases take them, with how long each shows;
// null when the browser cannot hold them.
function framesOf(picture) {
  try {
    return picture.frames.map((f) => ({
      image: new ImageData(f.rgba, picture.width, picture.height),
      ms: (1000 * f.numerator) / f.denominator,
      numerator: f.numerator,
      denominator: f.denominator,
    }));
  } catch {
    return null;
  }
}

function addFile({ path, reason, pictures: list, bytes, name }) {
  // Where to read the file again: an archive member's bytes, else the file given.
  const source = bytes ? { source: bytes, name, path } : { source: sent[0].file, name: path.split('/').pop(), path };
  const { key } = sent[0];
  if (list.length === 0) {
    ++without;
    reasonCard(path, reason, 'no picture');
    return;
  }
  for (const [ordinal, picture] of list.entries()) {
    ++pictures;
    const frames = picture.rgba ? framesOf(picture) : null;
    const canvas = frames ? drawn(frames[0].image) : null;
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
    shown.push({ canvas, path, label: picture.label, form: picture.form, width: picture.width, height: picture.height,
      frames, source, ordinal, key, reason: null });
    const card = element('figure', 'card');
    card.tabIndex = 0;
    card.dataset.index = index;
    const frame = element('div', 'frame');
    frame.append(canvas);
    card.append(frame, caption(path, describe(picture)));
    gallery.append(card);
  }
}

// A canvas of the picture's own size holding its pixels (the first frame's),
// or null when the browser cannot make one that large.
function drawn(image, canvas = document.createElement('canvas')) {
  canvas.width = image.width;
  canvas.height = image.height;
  try {
    const context = canvas.getContext('2d');
    if (context === null) return null;
    context.putImageData(image, 0, 0);
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
  again.clear();
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

// --- Reading a file again with other choices ------------------------------------

const again = new Map();  // token -> the source being read again
let tokens = 0;

// Has the file of shown[index] read again when it was read with other
// choices than the controls' now.
function refresh(index) {
  const entry = shown[index];
  const { options, key } = choices();
  if (!entry || (entry.source.pending ?? entry.key) === key) return;  // so read, or being read so
  const token = ++tokens;
  entry.source.pending = key;
  entry.source.token = token;
  again.set(token, { source: entry.source, key });
  const { source, name, path } = entry.source;
  worker.postMessage({ again: token, source, name, path, options });
}

function readAgain(message) {
  const asked = again.get(message.again);
  again.delete(message.again);
  if (!asked || asked.source.token !== message.again) return;  // a later read is on its way, or the gallery was cleared
  const { source, key } = asked;
  source.pending = null;
  shown.forEach((entry, index) => {
    if (entry.source !== source) return;
    const picture = message.pictures[entry.ordinal];
    const frames = picture?.rgba ? framesOf(picture) : null;
    entry.key = key;
    if (frames === null) {
      entry.reason = !picture ? message.reason ?? 'no picture with these choices'
        : `too large to draw here (${picture.width}×${picture.height}); korvel convert writes it as a PNG`;
    } else {
      Object.assign(entry, { frames, width: picture.width, height: picture.height, reason: null });
      drawn(frames[0].image, entry.canvas);
      const card = gallery.querySelector(`.card[data-index="${index}"] .detail`);
      if (card) card.textContent = describe(entry);
    }
    if (index === current && viewer.open) show();
  });
}

// --- Pictures that move: one clock for all, stopped when paused -----------------

let playing = true;
let clockFrom = performance.now(), clockHeld = 0;  // the clock: clockHeld ms, plus the time since clockFrom while playing
const moving = new Map();  // canvas -> {entry, frame}: the canvases playing
let ticking = false;

function clock(now = performance.now()) {
  return playing ? clockHeld + (now - clockFrom) : clockHeld;
}

function frameAt(frames, time) {
  const total = frames.reduce((sum, f) => sum + f.ms, 0);
  let t = total > 0 ? time % total : 0;
  for (let i = 0; i < frames.length; ++i) {
    if (t < frames[i].ms) return i;
    t -= frames[i].ms;
  }
  return 0;
}

function showFrame(canvas, state, frame) {
  state.frame = frame;
  canvas.getContext('2d').putImageData(state.entry.frames[frame].image, 0, 0);
  canvas.dataset.frame = frame;
}

function tick(now) {
  ticking = false;
  if (!playing || moving.size === 0) return;
  const time = clock(now);
  for (const [canvas, state] of moving) {
    const frame = frameAt(state.entry.frames, time);
    if (frame !== state.frame) showFrame(canvas, state, frame);
  }
  ticking = true;
  requestAnimationFrame(tick);
}

function startTicking() {
  if (!ticking && playing && moving.size) {
    ticking = true;
    requestAnimationFrame(tick);
  }
}

// Shows the entry's frame of now on the canvas, and plays it when it moves.
function play(canvas, entry) {
  const state = { entry, frame: -1 };
  showFrame(canvas, state, frameAt(entry.frames, clock()));
  if (entry.frames.length > 1) moving.set(canvas, state);
  else moving.delete(canvas);
  startTicking();
}

function setPlaying(on) {
  if (on === playing) return;
  clockHeld = clock();
  clockFrom = performance.now();
  playing = on;
  const button = $('play');
  button.textContent = on ? 'Pause' : 'Play';
  button.setAttribute('aria-pressed', String(!on));
  button.title = on ? 'Pause the picture (P)' : 'Play the picture (P)';
  large.dataset.playing = on ? 'yes' : 'no';
  startTicking();
}

// --- One picture, large ------------------------------------------------------------

function fitScale(picture) {
  const stage = $('stage');
  return Math.max(0.01, Math.min(stage.clientWidth / picture.width, stage.clientHeight / picture.height));
}

function applyZoom() {
  const picture = shown[current];
  if (!picture) return;
  const zoom = zoomChoice.value === 'fit' ? fitScale(picture) : Number(zoomChoice.value);
  large.style.width = `${Math.round(picture.width * zoom)}px`;
  large.style.height = `${Math.round(picture.height * zoom)}px`;
}

// Draws shown[current] in the large view, as read last.
function show() {
  const picture = shown[current];
  moving.delete(large);
  large.hidden = picture.reason !== null;
  largeReason.hidden = picture.reason === null;
  largeReason.textContent = picture.reason ?? '';
  if (picture.reason === null) {
    large.width = picture.width;
    large.height = picture.height;
    play(large, picture);
  }
  large.dataset.file = picture.path;
  large.dataset.label = picture.label;
  large.dataset.frames = picture.reason === null ? picture.frames.length : 0;
  $('viewer-name').textContent = picture.path;
  $('viewer-detail').textContent = `${describe(picture)} · ${current + 1} of ${shown.length}`;
  $('play').disabled = picture.reason !== null || picture.frames.length < 2;
  $('save').disabled = picture.reason !== null;
  applyZoom();
}

function open(index) {
  if (shown.length === 0) return;
  current = (index + shown.length) % shown.length;
  if (!viewer.open) viewer.showModal();
  show();
  refresh(current);
}

async function save() {
  const picture = shown[current];
  if (!picture || picture.reason !== null) return;
  const frames = picture.frames.map((f) => ({ rgba: f.image.data, numerator: f.numerator, denominator: f.denominator }));
  const blob = await encodeAnimatedPng(frames, picture.width, picture.height);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = `${picture.path.split('/').pop()}${picture.label ? `.${picture.label}` : ''}.png`;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

// A palette file of the user's: 16 lines of #RRGGBB.
$('palette-file').addEventListener('change', async (event) => {
  const input = event.target;
  const file = input.files[0];
  input.value = '';
  if (!file) return;
  const select = $('palette');
  try {
    palettes.file = parsePalette(await file.slice(0, 4096).text());
  } catch (error) {
    $('viewer-detail').textContent = `${file.name}: ${error.message}`;
    return;
  }
  let option = select.querySelector('option[value="file"]');
  if (!option) {
    option = element('option');
    option.value = 'file';
    select.append(option);
  }
  option.textContent = file.name;
  select.value = 'file';
  ++paletteFiles;
  choiceChanged();
});

function choiceChanged() {
  if (current >= 0 && viewer.open) refresh(current);
}

for (const control of choiceControls) control.addEventListener('change', choiceChanged);
$('palette-open').addEventListener('click', () => $('palette-file').click());
$('play').addEventListener('click', () => setPlaying(!playing));
$('prev').addEventListener('click', () => open(current - 1));
$('next').addEventListener('click', () => open(current + 1));
$('close').addEventListener('click', () => viewer.close());
$('save').addEventListener('click', save);
zoomChoice.addEventListener('change', applyZoom);
window.addEventListener('resize', applyZoom);
viewer.addEventListener('close', () => {
  moving.delete(large);  // the picture is no longer shown: its clock stops
  gallery.querySelector(`.card[data-index="${current}"]`)?.focus();
});
viewer.addEventListener('keydown', (event) => {
  if (event.target.tagName === 'SELECT' && event.key.startsWith('Arrow')) return;
  const key = event.key;
  if (key === 'ArrowLeft') open(current - 1);
  else if (key === 'ArrowRight') open(current + 1);
  else if (key === 'Home') open(0);
  else if (key === 'End') open(shown.length - 1);
  else if (key >= '1' && key <= '8') zoomChoice.value = key;
  else if (key === 'f' || key === 'F' || key === '0') zoomChoice.value = 'fit';
  else if (key === 's' || key === 'S') save();
  else if (key === 'p' || key === 'P') setPlaying(!playing);
  else return;
  event.preventDefault();
  applyZoom();
});
