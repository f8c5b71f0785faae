// korvel.mjs: ZX Spectrum pictures in browsers and in node, through
// korvel.wasm (the korvel core and its C API), which it finds beside itself.
//
//   import { readFile } from './korvel.mjs';
//   const { form, reason, pictures } = await readFile(bytes, 'game.tap');
//   for (const p of pictures) context.putImageData(new ImageData(p.rgba, p.width, p.height), 0, 0);
//
// The module imports one function, a synchronous inflate for the zlib
// streams some containers hold: node's zlib in node, pako (vendor/) in
// browsers. Nothing else leaves the module, and nothing is fetched but
// korvel.wasm and that library, both from beside this file.

export const maxFileBytes = 16 * 1024 * 1024;
const kNotRead = 'not a ZX picture korvel reads';
const kNoMemory = 'not enough memory to read it';
const kNoPicture = 0xffffffff;

const inNode = typeof process === 'object' && typeof process.versions?.node === 'string';

// --- The inflate import ------------------------------------------------------
// Each stream is an object with some(input, output) -> {status, consumed,
// produced}; status 0 going on, 1 ended (its check holding), 2 broken, 3 out
// of memory. Bytes after a stream's end are never taken.

const kGoingOn = 0, kEnded = 1, kBroken = 2;

// Hands out what a stream made beyond the room of earlier calls.
class Pending {
  constructor() { this.chunks = []; }
  get empty() { return this.chunks.length === 0; }
  push(chunk) { if (chunk.length) this.chunks.push(chunk); }
  drain(output, at) {
    while (at < output.length && this.chunks.length) {
      const chunk = this.chunks[0];
      const n = Math.min(chunk.length, output.length - at);
      output.set(chunk.subarray(0, n), at);
      at += n;
      if (n === chunk.length) this.chunks.shift(); else this.chunks[0] = chunk.subarray(n);
    }
    return at;
  }
}

// node's zlib, driven one inflate() call at a time through its handle, as
// its own synchronous functions drive it. zlib reports an error only for a
// broken stream, so the end of the input is told from the end of the stream
// by one more call with Z_FINISH and no input, which makes at most one byte.
export function nodeInflater(zlib) {
  const C = zlib.constants;
  const probe = new zlib.Inflate();
  if (typeof probe._handle?.writeSync !== 'function' || !(probe._writeState instanceof Uint32Array)) return null;
  probe.close();
  return () => {
    const engine = new zlib.Inflate();
    let error = null;
    engine._handle.onerror = (message, errno) => { error = errno; };
    const spare = new Uint8Array(1);
    const pending = new Pending();
    let ended = false;
    const write = (flush, input, output) => {
      error = null;
      engine._handle.writeSync(flush, input, 0, input.length, output, 0, output.length);
      return error === null ? [input.length - engine._writeState[1], output.length - engine._writeState[0]] : null;
    };
    return {
      some(input, output) {
        let produced = pending.drain(output, 0);
        if (ended || produced === output.length) return { status: ended && pending.empty ? kEnded : kGoingOn, consumed: 0, produced };
        const moved = write(C.Z_NO_FLUSH, input, output.subarray(produced));
        if (moved === null) return { status: kBroken, consumed: 0, produced };
        const [consumed, made] = moved;
        produced += made;
        if (produced === output.length) return { status: kGoingOn, consumed, produced };
        // zlib stops short of the input only at the stream's end.
        if (consumed < input.length) { ended = true; return { status: kEnded, consumed, produced }; }
        const last = write(C.Z_FINISH, new Uint8Array(0), spare);
        if (last === null) return { status: error === C.Z_BUF_ERROR ? kGoingOn : kBroken, consumed, produced };
        if (last[1] === 1) { pending.push(spare.slice()); return { status: kGoingOn, consumed, produced }; }
        ended = true;
        return { status: kEnded, consumed, produced };
      },
      end() { engine.close(); },
    };
  };
}

// pako's streaming inflate, fed a little input at a time so that a stream
// that inflates far (a bomb) makes at most about a megabyte past the room.
export function pakoInflater(pako) {
  const kPiece = 1024;
  return () => {
    const engine = new pako.Inflate({ windowBits: 15, chunkSize: 16384 });
    const pending = new Pending();
    engine.onData = (chunk) => pending.push(chunk);
    engine.onEnd = () => {};
    return {
      some(input, output) {
        let produced = pending.drain(output, 0);
        let consumed = 0;
        while (produced < output.length && !engine.ended && consumed < input.length) {
          const piece = input.subarray(consumed, consumed + kPiece);
          engine.push(piece, 2 /* Z_SYNC_FLUSH: every byte made is handed on */);
          consumed += engine.ended ? piece.length - engine.strm.avail_in : piece.length;
          produced = pending.drain(output, produced);
        }
        if (engine.ended && engine.err !== 0) return { status: kBroken, consumed, produced };
        return { status: engine.ended && pending.empty ? kEnded : kGoingOn, consumed, produced };
      },
      end() {},
    };
  };
}

async function defaultInflater() {
  if (inNode) return nodeInflater((await import('node:zlib')).default);
  try {
    return pakoInflater(await import(new URL('./vendor/pako_inflate.mjs', import.meta.url).href));
  } catch {
    return null;  // streams then read as broken: the containers that need them give no picture
  }
}

// The import itself, over the module's memory.
function inflateImport(memory, makeStream) {
  const streams = new Map();
  return (stream, input, inputSize, output, outputSize, counts) => {
    if (counts === 0) {
      streams.get(stream)?.end();
      streams.delete(stream);
      return 0;
    }
    let state = streams.get(stream);
    if (state === undefined) {
      state = makeStream ? makeStream() : null;
      streams.set(stream, state);
    }
    if (state === null) return kBroken;
    const bytes = new Uint8Array(memory().buffer);
    let result;
    try {
      result = state.some(bytes.subarray(input, input + inputSize), bytes.subarray(output, output + outputSize));
    } catch {
      result = { status: kBroken, consumed: 0, produced: 0 };
    }
    const view = new Uint32Array(memory().buffer, counts, 2);
    view[0] = result.consumed;
    view[1] = result.produced;
    return result.status;
  };
}

// --- The module ---------------------------------------------------------------

async function moduleBytes(url) {
  if (url.protocol === 'file:') return (await import('node:fs/promises')).readFile(url);
  const response = await fetch(url);
  if (!response.ok) throw new Error(`korvel.mjs: cannot load ${url} (${response.status})`);
  return response.arrayBuffer();
}

// One instance per options.wasm (default: korvel.wasm beside this file); a
// caller's own options.inflater (a function making streams, or null for
// none) gets an instance of its own.
const instances = new Map();

export function instantiate(options = {}) {
  const key = options.wasm ?? 'default';
  if (options.inflater !== undefined || !instances.has(key)) {
    const promise = (async () => {
      const source = options.wasm ?? new URL('./korvel.wasm', import.meta.url);
      const module = source instanceof WebAssembly.Module ? source
        : await WebAssembly.compile(source instanceof URL || typeof source === 'string'
          ? await moduleBytes(new URL(source, import.meta.url)) : source);
      let exports = null;
      const makeStream = options.inflater !== undefined ? options.inflater : await defaultInflater();
      const instance = await WebAssembly.instantiate(module, {
        korvel: { inflate: inflateImport(() => exports.memory, makeStream) },
      });
      exports = instance.exports;
      exports._initialize?.();
      return exports;
    })();
    if (options.inflater !== undefined) return promise;
    promise.catch(() => instances.delete(key));
    instances.set(key, promise);
  }
  return instances.get(key);
}

const decoder = new TextDecoder();
const encoder = new TextEncoder();

function text(e, pointer) {
  if (pointer === 0) return null;
  const bytes = new Uint8Array(e.memory.buffer, pointer);
  return decoder.decode(bytes.subarray(0, bytes.indexOf(0)));
}

// A picture's pixels as RGBA, expanded inside the module (or, where the
// module has no room for them, here).
function rgbaOf(e, rgbAt, width, height) {
  const pixels = width * height;
  const at = e.malloc(Math.max(pixels * 4, 1));
  if (at !== 0) {
    e.korvel_wasm_rgba(rgbAt, pixels, at);
    const rgba = new Uint8ClampedArray(pixels * 4);
    rgba.set(new Uint8Array(e.memory.buffer, at, pixels * 4));
    e.free(at);
    return rgba;
  }
  const rgb = new Uint8Array(e.memory.buffer, rgbAt, pixels * 3);
  const rgba = new Uint8ClampedArray(pixels * 4);
  for (let i = 0, j = 0; j < rgb.length; i += 4, j += 3) {
    rgba[i] = rgb[j];
    rgba[i + 1] = rgb[j + 1];
    rgba[i + 2] = rgb[j + 2];
    rgba[i + 3] = 255;
  }
  return rgba;
}

function notRead(reason) {
  return { form: null, reason, container: false, pictures: [], items: [] };
}

// --- Drawing choices -------------------------------------------------------------
// options: palette (48 bytes: red, green, blue of colours 0-7, then bright
// 0-7; null for korvel's own), gigascreen ('blend', 'linear' or 'flicker'),
// border ('none', 'small', 'medium' or 'full'), borderColour (0-7, for files
// without a border colour of their own), scale (1-8).

const kGigascreens = ['blend', 'linear', 'flicker'];
const kBorders = ['none', 'small', 'medium', 'full'];
const kOptionsBytes = 24;  // korvel_options on wasm32: size_t, a pointer, four 32-bit fields

// A palette whose colours have each channel at `level` when on (0xFF when
// bright) and 0 when off.
export function plainPalette(level) {
  const palette = new Uint8Array(48);
  for (let colour = 0; colour < 16; ++colour) {
    const on = colour >= 8 ? 0xff : level;
    palette.set([colour & 2 ? on : 0, colour & 4 ? on : 0, colour & 1 ? on : 0], colour * 3);
  }
  return palette;
}

// A palette file: 16 lines of #RRGGBB (blank lines aside), colours 0-7 then
// bright 0-7. Throws a SyntaxError saying what is wrong.
export function parsePalette(text) {
  const lines = String(text).split(/\r?\n/).map((line) => line.trim()).filter(Boolean);
  if (lines.length !== 16) throw new SyntaxError(`a palette has 16 colours, one #RRGGBB a line; this has ${lines.length} lines`);
  const palette = new Uint8Array(48);
  lines.forEach((line, i) => {
    const match = /^#([0-9a-f]{6})$/i.exec(line);
    if (!match) throw new SyntaxError(`line ${i + 1} is not #RRGGBB: ${line.slice(0, 20)}`);
    const value = parseInt(match[1], 16);
    palette.set([value >> 16, (value >> 8) & 255, value & 255], i * 3);
  });
  return palette;
}

function choice(list, value, what) {
  if (value === undefined) return 0;
  const at = list.indexOf(value);
  if (at < 0) throw new RangeError(`korvel.readFile: ${what} is one of ${list.join(', ')}`);
  return at;
}

function wholeIn(value, low, high, fallback, what) {
  if (value === undefined) return fallback;
  if (!Number.isInteger(value) || value < low || value > high) {
    throw new RangeError(`korvel.readFile: ${what} is a whole number from ${low} to ${high}`);
  }
  return value;
}

// The options as the record's fields, checked here so that a bad choice is
// told from a want of memory.
function choicesOf(options) {
  const palette = options.palette ?? null;
  if (palette !== null && !(ArrayBuffer.isView(palette) && palette.byteLength === 48)) {
    throw new TypeError('korvel.readFile: palette is 48 bytes or null');
  }
  return {
    palette: palette === null ? null : new Uint8Array(palette.buffer, palette.byteOffset, 48),
    gigascreen: choice(kGigascreens, options.gigascreen, 'gigascreen'),
    border: choice(kBorders, options.border, 'border'),
    borderColour: wholeIn(options.borderColour, 0, 7, 0, 'borderColour'),
    scale: wholeIn(options.scale, 1, 8, 1, 'scale'),
  };
}

// korvel_options and its palette in the module's memory, then room for a
// frame's delay; 0 without room.
function optionsRecord(e, choices) {
  const at = e.malloc(kOptionsBytes + 48 + 8);
  if (at === 0) return 0;
  const view = new DataView(e.memory.buffer, at, kOptionsBytes);
  view.setUint32(0, kOptionsBytes, true);
  if (choices.palette) new Uint8Array(e.memory.buffer, at + kOptionsBytes, 48).set(choices.palette);
  view.setUint32(4, choices.palette ? at + kOptionsBytes : 0, true);
  view.setInt32(8, choices.gigascreen, true);
  view.setInt32(12, choices.border, true);
  view.setInt32(16, choices.borderColour, true);
  view.setUint32(20, choices.scale, true);
  return at;
}

// Each frame of a picture: its RGBA (null above maxPixels) and how long it
// shows, numerator / denominator seconds (0 / 1 for a still picture).
function framesOf(e, file, i, width, height, maxPixels, delayAt) {
  const frames = [];
  for (let f = 0, count = e.korvel_picture_frame_count(file, i); f < count; ++f) {
    const timed = e.korvel_picture_frame_delay(file, i, f, delayAt, delayAt + 4) !== 0;
    const [numerator, denominator] = timed ? new Uint32Array(e.memory.buffer, delayAt, 2) : [0, 1];
    const rgbAt = e.korvel_picture_frame_rgb(file, i, f);
    frames.push({ rgba: width * height <= maxPixels ? rgbaOf(e, rgbAt, width, height) : null, numerator, denominator });
  }
  return frames;
}

function readWith(e, bytes, name, maxPixels, choices) {
  if (bytes.length > maxFileBytes) return notRead(kNotRead);  // refused unread, as by the library
  const encodedName = name == null ? null : encoder.encode(String(name));
  const bytesAt = e.malloc(Math.max(bytes.length, 1));
  const nameAt = encodedName ? e.malloc(encodedName.length + 1) : 0;
  const optionsAt = optionsRecord(e, choices);
  const release = () => {
    e.free(bytesAt);
    e.free(nameAt);
    e.free(optionsAt);
  };
  if (bytesAt === 0 || (encodedName && nameAt === 0) || optionsAt === 0) {
    release();
    return notRead(kNoMemory);
  }
  new Uint8Array(e.memory.buffer, bytesAt, bytes.length).set(bytes);
  if (encodedName) {
    const target = new Uint8Array(e.memory.buffer, nameAt, encodedName.length + 1);
    target.set(encodedName);
    target[encodedName.length] = 0;
  }
  const file = e.korvel_open_memory_with(bytesAt, bytes.length, nameAt, optionsAt);
  e.free(bytesAt);
  e.free(nameAt);
  if (file === 0) {
    e.free(optionsAt);
    return notRead(kNoMemory);
  }
  try {
    const pictures = [];
    for (let i = 0, count = e.korvel_picture_count(file); i < count; ++i) {
      const width = e.korvel_picture_width(file, i);
      const height = e.korvel_picture_height(file, i);
      const frames = framesOf(e, file, i, width, height, maxPixels, optionsAt + kOptionsBytes + 48);
      pictures.push({
        label: text(e, e.korvel_picture_label(file, i)),
        form: text(e, e.korvel_picture_form(file, i)),
        width,
        height,
        rgba: frames[0]?.rgba ?? null,
        frames,
      });
    }
    const items = [];
    for (let i = 0, count = e.korvel_item_count(file); i < count; ++i) {
      const picture = e.korvel_item_picture(file, i) >>> 0;
      items.push({
        label: text(e, e.korvel_item_label(file, i)),
        picture: picture === kNoPicture ? -1 : picture,
        reason: text(e, e.korvel_item_reason(file, i)),
        warns: e.korvel_item_warns(file, i) !== 0,
      });
    }
    return {
      form: text(e, e.korvel_file_form(file)),
      reason: text(e, e.korvel_file_reason(file)),
      container: e.korvel_file_is_container(file) !== 0,
      pictures,
      items,
    };
  } finally {
    e.korvel_close(file);
    e.free(optionsAt);
  }
}

function asBytes(bytes) {
  if (bytes instanceof ArrayBuffer) return new Uint8Array(bytes);
  if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  throw new TypeError('korvel.readFile: bytes must be a Uint8Array or an ArrayBuffer');
}

// Every picture of a file: {form, reason, container, pictures: [{label, form,
// width, height, rgba, frames: [{rgba, numerator, denominator}]}], items:
// [{label, picture, reason, warns}]}. `name` (may be null) is the file's
// name, whose extension korvel looks at. A picture's rgba is its first
// frame's; a still picture has one frame, of 0 / 1 s. options: the drawing
// choices above, and maxPixels: pictures of more pixels get rgba null
// (default: none do). A choice out of range throws a RangeError.
export async function readFile(bytes, name, options = {}) {
  const choices = choicesOf(options);
  const e = await instantiate(options);
  return readWith(e, asBytes(bytes), name, options.maxPixels ?? Infinity, choices);
}

export async function version(options = {}) {
  const e = await instantiate(options);
  return text(e, e.korvel_version());
}

export default { readFile, version, maxFileBytes, plainPalette, parsePalette };
