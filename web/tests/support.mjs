// Shared by the node and browser tests: where things are (from CTest's
// environment), the native core's pictures of files (korvel_dump_pictures,
// over the C API), and small test-only writers (zip archives, zlib streams).

import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

export const site = process.env.KORVEL_SITE;
export const samples = process.env.KORVEL_SAMPLES;
const dumpTool = process.env.KORVEL_DUMP_TOOL;

export function sampleFiles() {
  return fs.readdirSync(samples).sort().map((name) => ({ name, bytes: fs.readFileSync(path.join(samples, name)) }));
}

// What the native core gives for each of `files` ({name, bytes}): the
// manifest entries, each picture with its rgb bytes.
export function nativePictures(files) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'korvel-native-'));
  try {
    const inputs = path.join(folder, 'in');
    fs.mkdirSync(inputs);
    const paths = files.map((file, i) => {
      fs.mkdirSync(path.join(inputs, String(i)));
      const where = path.join(inputs, String(i), file.name);
      fs.writeFileSync(where, file.bytes);
      return where;
    });
    execFileSync(dumpTool, [folder, ...paths]);
    const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'manifest.json'), 'utf8'));
    for (const entry of manifest) {
      for (const picture of entry.pictures) picture.rgb = fs.readFileSync(path.join(folder, picture.rgb));
    }
    return manifest;
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// Whether RGBA pixels are the RGB ones, opaque; the index of the first
// pixel that differs, or -1.
export function firstDifference(rgba, rgb) {
  if (rgba.length !== (rgb.length / 3) * 4) return 0;
  for (let i = 0, j = 0; j < rgb.length; i += 4, j += 3) {
    if (rgba[i] !== rgb[j] || rgba[i + 1] !== rgb[j + 1] || rgba[i + 2] !== rgb[j + 2] || rgba[i + 3] !== 255) {
      return i / 4;
    }
  }
  return -1;
}

// zlib streams for the inflate tests: a page, and the ways a stream goes wrong.
export function zlibStreams() {
  const page = Uint8Array.from({ length: 16384 }, (_, i) => Math.floor((i * 7) / 13) & 255);
  const packed = zlib.deflateSync(page);
  const broken = Buffer.from(packed);
  broken[broken.length - 1] ^= 1;  // the Adler-32 check
  return {
    page,
    packed,
    withTail: Buffer.concat([packed, Buffer.from([1, 2, 3])]),
    broken,
    cut: packed.subarray(0, packed.length - 5),
    bomb: zlib.deflateSync(Buffer.alloc(1 << 24)),
  };
}

// A zip archive of {path, bytes, stored?} members (deflated unless stored),
// with a central directory, as a test-only writer.
export function zipArchive(members) {
  const locals = [];
  const centrals = [];
  let offset = 0;
  for (const member of members) {
    const name = Buffer.from(member.path, 'utf8');
    const data = member.stored ? Buffer.from(member.bytes) : zlib.deflateRawSync(member.bytes);
    const crc = zlib.crc32 ? zlib.crc32(member.bytes) : 0;
    const header = (signature, central) => {
      const b = Buffer.alloc(central ? 46 : 30);
      b.writeUInt32LE(signature, 0);
      let at = 4;
      if (central) { b.writeUInt16LE(20, at); at += 2; }
      b.writeUInt16LE(20, at); b.writeUInt16LE(0x800, at + 2); b.writeUInt16LE(member.stored ? 0 : 8, at + 4);
      b.writeUInt32LE(0, at + 6); b.writeUInt32LE(crc >>> 0, at + 10);
      b.writeUInt32LE(member.claimedCompressed ?? data.length, at + 14);
      b.writeUInt32LE(member.claimedSize ?? member.bytes.length, at + 18);
      b.writeUInt16LE(name.length, at + 22);
      if (central) b.writeUInt32LE(offset, 42);
      return b;
    };
    locals.push(header(0x04034b50, false), name, data);
    centrals.push(header(0x02014b50, true), name);
    offset += 30 + name.length + data.length;
  }
  const directory = Buffer.concat(centrals);
  const end = Buffer.alloc(22);
  end.writeUInt32LE(0x06054b50, 0);
  end.writeUInt16LE(members.length, 8);
  end.writeUInt16LE(members.length, 10);
  end.writeUInt32LE(directory.length, 12);
  end.writeUInt32LE(offset, 16);
  return Buffer.concat([...locals, directory, end]);
}

// The SHA-256 of a picture's pixels as a canvas holds them: RGBA, opaque.
export function rgbaDigest(rgb) {
  const rgba = new Uint8Array((rgb.length / 3) * 4);
  for (let i = 0, j = 0; j < rgb.length; i += 4, j += 3) {
    rgba[i] = rgb[j];
    rgba[i + 1] = rgb[j + 1];
    rgba[i + 2] = rgb[j + 2];
    rgba[i + 3] = 255;
  }
  return createHash('sha256').update(rgba).digest('hex');
}

// The gallery cards the native pictures of `files` make, in order: one per
// picture (file, label, pixels), one with the reason for a file without.
export function expectedCards(files, native, pathOf = (file) => file.name) {
  const cards = [];
  files.forEach((file, i) => {
    const entry = native[i];
    if (entry.pictures.length === 0) cards.push({ file: pathOf(file), label: null, reason: entry.reason });
    for (const p of entry.pictures) {
      cards.push({ file: pathOf(file), label: p.label, reason: null, width: p.width, height: p.height, rgba: rgbaDigest(p.rgb) });
    }
  });
  return cards;
}

// The pixels of an 8-bit palette or RGB PNG without interlacing (what the
// page saves), as RGB; a test-only reader. decodeRows turns one image's
// deflated rows (IDAT's, or an APNG frame's) into RGB.
export function decodeRows(data, { width, height, depth, type, palette }) {
  const rows = zlib.inflateSync(data);
  const rowBytes = Math.ceil((width * depth * (type === 2 ? 3 : 1)) / 8);
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = rows.subarray(y * (rowBytes + 1) + 1, (y + 1) * (rowBytes + 1));
    for (let x = 0; x < width; ++x) {
      if (type === 2) {
        row.copy(rgb, (y * width + x) * 3, x * 3, x * 3 + 3);
      } else {
        const bit = x * depth;
        const index = (row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1);
        palette.copy(rgb, (y * width + x) * 3, index * 3, index * 3 + 3);
      }
    }
  }
  return rgb;
}

export function readPng(bytes) {
  const chunks = pngChunks(bytes);
  const header = chunks[0].body;
  const image = { width: header.readUInt32BE(0), height: header.readUInt32BE(4), depth: header[8], type: header[9],
    palette: chunks.find((c) => c.type === 'PLTE')?.body ?? null };
  const rgb = decodeRows(Buffer.concat(chunks.filter((c) => c.type === 'IDAT').map((c) => c.body)), image);
  return { ...image, rgb };
}

// Test-only writers of pictures that move: a screen whose every cell
// flashes (ink blue, paper white, pixels 0x0F), a gigascreen (two screens
// told apart, as .img), an SCA animation of still screens with these delays.
export function flashingScreen(attribute = 0x80 | 0x38 | 0x01) {
  return Buffer.alloc(6912, 0x0f).fill(attribute, 6144);
}

export function gigascreen() {
  return Buffer.concat([flashingScreen(0x38), Buffer.alloc(6912, 0).fill(0x07, 6144)]);
}

export function scaAnimation(delays) {
  const head = Buffer.alloc(14 + delays.length);
  head.write('SCA', 0, 'latin1');
  head[3] = 1;
  head.writeUInt16LE(256, 4);
  head.writeUInt16LE(192, 6);
  head[8] = 0;  // border
  head.writeUInt16LE(delays.length, 9);
  head[11] = 0;  // type: whole screens
  head.writeUInt16LE(14, 12);
  Buffer.from(delays).copy(head, 14);
  return Buffer.concat([head, ...delays.map((_, i) => flashingScreen(0x38 + i))]);
}

// A PNG's chunks, [{type, body}], each CRC checked.
export function pngChunks(bytes) {
  const b = Buffer.from(bytes);
  if (!b.subarray(0, 8).equals(Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]))) throw new Error('no PNG signature');
  const chunks = [];
  for (let at = 8; at < b.length;) {
    const length = b.readUInt32BE(at);
    const type = b.toString('latin1', at + 4, at + 8);
    if (zlib.crc32 && zlib.crc32(b.subarray(at + 4, at + 8 + length)) !== b.readUInt32BE(at + 8 + length)) {
      throw new Error(`${type}: bad CRC`);
    }
    chunks.push({ type, body: b.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  return chunks;
}
