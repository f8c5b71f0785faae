// PNG files of pictures, for "save": a palette PNG at the smallest bit depth
// that holds the picture's colours when it has at most 256, else 24-bit RGB;
// a picture that moves as an animated PNG (APNG) whose default image is its
// first frame. Rows are stored unfiltered and deflated by CompressionStream.

const crcTable = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

export function crc32(bytes, crc = 0) {
  let c = ~crc >>> 0;
  for (let i = 0; i < bytes.length; ++i) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return ~c >>> 0;
}

// The colours of RGBA pictures (alpha ignored), in order of first use;
// null when there are more than 256.
export function paletteOf(...pictures) {
  const index = new Map();
  for (const rgba of pictures) {
    for (let i = 0; i < rgba.length; i += 4) {
      const colour = (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2];
      if (!index.has(colour)) {
        if (index.size === 256) return null;
        index.set(colour, index.size);
      }
    }
  }
  return index;
}

function chunk(type, data) {
  const out = new Uint8Array(12 + data.length);
  const view = new DataView(out.buffer);
  view.setUint32(0, data.length);
  for (let i = 0; i < 4; ++i) out[4 + i] = type.charCodeAt(i);
  out.set(data, 8);
  view.setUint32(8 + data.length, crc32(out.subarray(4, 8 + data.length)));
  return out;
}

async function deflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// The rows as PNG scanlines: a filter byte 0, then the pixels.
function scanlines(rgba, width, height, palette, depth) {
  if (palette === null) {
    const rows = new Uint8Array(height * (1 + width * 3));
    for (let y = 0, o = 0, i = 0; y < height; ++y) {
      rows[o++] = 0;
      for (let x = 0; x < width; ++x, i += 4) {
        rows[o++] = rgba[i];
        rows[o++] = rgba[i + 1];
        rows[o++] = rgba[i + 2];
      }
    }
    return rows;
  }
  const rowBytes = Math.ceil((width * depth) / 8);
  const rows = new Uint8Array(height * (1 + rowBytes));
  for (let y = 0, i = 0; y < height; ++y) {
    const row = y * (1 + rowBytes) + 1;
    for (let x = 0; x < width; ++x, i += 4) {
      const value = palette.get((rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2]);
      const bit = x * depth;
      rows[row + (bit >> 3)] |= value << (8 - depth - (bit & 7));
    }
  }
  return rows;
}

function depthOf(palette) {
  return palette === null ? 8 : palette.size <= 2 ? 1 : palette.size <= 4 ? 2 : palette.size <= 16 ? 4 : 8;
}

function u32s(...values) {
  const out = new Uint8Array(values.length * 4);
  const view = new DataView(out.buffer);
  values.forEach((v, i) => view.setUint32(i * 4, v));
  return out;
}

// The head of the file: signature, IHDR, whatever goes before the palette,
// and PLTE.
function head(width, height, palette, before = []) {
  const header = new Uint8Array(13);
  const view = new DataView(header.buffer);
  view.setUint32(0, width);
  view.setUint32(4, height);
  header[8] = depthOf(palette);
  header[9] = palette === null ? 2 : 3;
  const parts = [Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10), chunk('IHDR', header), ...before];
  if (palette !== null) {
    const entries = new Uint8Array(palette.size * 3);
    for (const [colour, i] of palette) entries.set([colour >> 16, (colour >> 8) & 255, colour & 255], i * 3);
    parts.push(chunk('PLTE', entries));
  }
  return parts;
}

export async function encodePng(rgba, width, height) {
  const palette = paletteOf(rgba);
  const parts = head(width, height, palette);
  parts.push(chunk('IDAT', await deflate(scanlines(rgba, width, height, palette, depthOf(palette)))),
    chunk('IEND', new Uint8Array(0)));
  return new Blob(parts, { type: 'image/png' });
}

// A frame's delay as APNG's two 16-bit fields; exact for every delay korvel
// gives (a few seconds at most, in 50ths), halved both ways past 65535.
export function apngDelay(numerator, denominator) {
  let n = numerator, d = Math.max(1, denominator);
  while (n > 0xffff || d > 0xffff) {
    n = Math.round(n / 2);
    d = Math.max(1, Math.round(d / 2));
  }
  return [n, d];
}

// frames: [{rgba, numerator, denominator}] of one size. One frame gives a
// plain PNG. Otherwise an APNG that loops for ever, the first frame being
// its default image (IDAT), each frame whole (no offsets, no blending), one
// palette over all frames when they share at most 256 colours.
export async function encodeAnimatedPng(frames, width, height) {
  if (frames.length === 1) return encodePng(frames[0].rgba, width, height);
  const palette = paletteOf(...frames.map((f) => f.rgba));
  const depth = depthOf(palette);
  const parts = head(width, height, palette, [chunk('acTL', u32s(frames.length, 0))]);
  let sequence = 0;
  for (const [i, frame] of frames.entries()) {
    const [n, d] = apngDelay(frame.numerator, frame.denominator);
    const control = new Uint8Array(26);
    const view = new DataView(control.buffer);
    view.setUint32(0, sequence++);
    view.setUint32(4, width);
    view.setUint32(8, height);
    view.setUint16(20, n);
    view.setUint16(22, d);
    // dispose_op 0 (none) and blend_op 0 (source): every frame replaces the last.
    parts.push(chunk('fcTL', control));
    const data = await deflate(scanlines(frame.rgba, width, height, palette, depth));
    if (i === 0) {
      parts.push(chunk('IDAT', data));
    } else {
      const body = new Uint8Array(4 + data.length);
      body.set(u32s(sequence++));
      body.set(data, 4);
      parts.push(chunk('fdAT', body));
    }
  }
  parts.push(chunk('IEND', new Uint8Array(0)));
  return new Blob(parts, { type: 'image/png' });
}
