// PNG files of pictures, for "save": a palette PNG at the smallest bit depth
// that holds the picture's colours when it has at most 256, else 24-bit RGB.
// Rows are stored unfiltered and deflated by the browser's CompressionStream.

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

// The colours of an RGBA picture (alpha ignored), in order of first use;
// null when there are more than 256.
export function paletteOf(rgba) {
  const index = new Map();
  for (let i = 0; i < rgba.length; i += 4) {
    const colour = (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2];
    if (!index.has(colour)) {
      if (index.size === 256) return null;
      index.set(colour, index.size);
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
function scanlines(rgba, width, height, palette) {
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
    return { rows, depth: 8 };
  }
  const depth = palette.size <= 2 ? 1 : palette.size <= 4 ? 2 : palette.size <= 16 ? 4 : 8;
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
  return { rows, depth };
}

export async function encodePng(rgba, width, height) {
  const palette = paletteOf(rgba);
  const { rows, depth } = scanlines(rgba, width, height, palette);
  const header = new Uint8Array(13);
  const view = new DataView(header.buffer);
  view.setUint32(0, width);
  view.setUint32(4, height);
  header[8] = depth;
  header[9] = palette === null ? 2 : 3;
  const parts = [Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10), chunk('IHDR', header)];
  if (palette !== null) {
    const entries = new Uint8Array(palette.size * 3);
    for (const [colour, i] of palette) entries.set([colour >> 16, (colour >> 8) & 255, colour & 255], i * 3);
    parts.push(chunk('PLTE', entries));
  }
  parts.push(chunk('IDAT', await deflate(rows)), chunk('IEND', new Uint8Array(0)));
  return new Blob(parts, { type: 'image/png' });
}
