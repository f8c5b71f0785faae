// korvel.mjs in node: every sample as the native core reads it, bad input,
// and the inflate import (node's zlib, and the browsers' pako) driven both
// directly and through the module's own test entry.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import zlib from 'node:zlib';

import { firstDifference, nativePictures, sampleFiles, site, zlibStreams } from '../support.mjs';

const korvel = await import(pathToFileURL(path.join(site, 'korvel.mjs')).href);
const pako = await import(pathToFileURL(path.join(site, 'vendor', 'pako_inflate.mjs')).href);

test('every sample gives the native core\'s pictures, labels, forms and items', async () => {
  const files = sampleFiles();
  const native = nativePictures(files);
  for (const [i, file] of files.entries()) {
    const read = await korvel.readFile(file.bytes, file.name);
    const expected = native[i];
    assert.deepEqual({ form: read.form, reason: read.reason, container: read.container, items: read.items },
      { form: expected.form, reason: expected.reason, container: expected.container, items: expected.items }, file.name);
    assert.equal(read.pictures.length, expected.pictures.length, file.name);
    for (const [p, picture] of read.pictures.entries()) {
      const want = expected.pictures[p];
      assert.deepEqual([picture.label, picture.form, picture.width, picture.height],
        [want.label, want.form, want.width, want.height], file.name);
      assert.ok(picture.rgba instanceof Uint8ClampedArray);
      assert.equal(firstDifference(picture.rgba, want.rgb), -1, `${file.name} picture ${p}`);
    }
  }
});

test('files that give no picture say why; the bytes may be any view', async () => {
  const screen = new Uint8Array(6912).fill(0x38);
  const cases = [
    ['empty', new Uint8Array(0), 'x.scr'],
    ['noise', new Uint8Array(5000).fill(0x99), 'noise.bin'],
    ['above 16 MiB, refused unread', new Uint8Array(korvel.maxFileBytes + 1), 'big.scr'],
    ['a hostile name', new Uint8Array(100), '../../x.scr'],
  ];
  for (const [what, bytes, name] of cases) {
    const read = await korvel.readFile(bytes, name);
    assert.deepEqual([read.form, read.reason, read.pictures.length], [null, 'not a ZX picture korvel reads', 0], what);
  }
  const inBuffer = new Uint8Array(8000);
  inBuffer.set(screen, 100);
  const views = [screen.buffer, inBuffer.subarray(100, 100 + 6912), Buffer.from(screen)];
  for (const bytes of views) {
    const read = await korvel.readFile(bytes, null);
    assert.equal(read.form, 'standard screen');
    assert.equal(read.pictures[0].label, '');
  }
  await assert.rejects(korvel.readFile('6912 bytes', 'x.scr'), TypeError);
  assert.match(await korvel.default.version(), /^\d+\.\d+\.\d+$/);
  assert.equal(korvel.default.readFile, korvel.readFile);
});

// Drives one stream to its end through rooms of `room` bytes and input
// pieces of `piece`, as the module's InflateSome callers do.
function drive(makeStream, input, room, piece = input.length) {
  const stream = makeStream();
  let taken = 0;
  const made = [];
  let status = 0;
  for (let calls = 0; calls < 100000; ++calls) {
    const output = new Uint8Array(room);
    const result = stream.some(input.subarray(taken, Math.min(input.length, taken + piece)), output);
    taken += result.consumed;
    made.push(output.subarray(0, result.produced));
    status = result.status;
    if (status !== 0 || (result.consumed === 0 && result.produced === 0)) break;
    if (made.reduce((n, m) => n + m.length, 0) > 1 << 20) break;  // a bomb: far enough
  }
  stream.end();
  return { status, taken, made: Buffer.concat(made) };
}

for (const [name, makeStream] of [['node zlib', korvel.nodeInflater(zlib)], ['pako', korvel.pakoInflater(pako)]]) {
  test(`${name}: exact, trailing bytes untaken, broken, cut, bomb`, () => {
    const s = zlibStreams();
    for (const [room, piece] of [[s.page.length + 10, undefined], [1000, undefined], [4096, 100], [1, 7]]) {
      const exact = drive(makeStream, s.packed, room, piece);
      assert.deepEqual([exact.status, exact.taken], [1, s.packed.length], `room ${room}, piece ${piece}`);
      assert.ok(exact.made.equals(Buffer.from(s.page)), `room ${room}, piece ${piece}`);
    }
    const tail = drive(makeStream, s.withTail, 5000);
    assert.deepEqual([tail.status, tail.taken, tail.made.length], [1, s.packed.length, s.page.length]);
    assert.equal(drive(makeStream, s.broken, 5000).status, 2);
    const cut = drive(makeStream, s.cut, 5000);
    assert.equal(cut.status, 0, 'a cut stream goes on, wanting more');
    const bomb = drive(makeStream, s.bomb, 65536);
    assert.equal(bomb.status, 0);
    assert.ok(bomb.taken < s.bomb.length / 4, `a bomb is read only as far as its output goes (${bomb.taken})`);
  });

  test(`${name}: InflateExactly inside the module, over the import`, async () => {
    const e = await korvel.instantiate({ inflater: makeStream });
    const s = zlibStreams();
    const exactly = (input, size) => {
      const at = e.malloc(input.length);
      const out = e.malloc(size);
      new Uint8Array(e.memory.buffer, at, input.length).set(input);
      const result = e.korvel_test_inflate_exactly(at, input.length, out, size);
      const made = new Uint8Array(e.memory.buffer, out, size).slice();
      e.free(at);
      e.free(out);
      return [result, made];
    };
    const [inflated, made] = exactly(s.packed, s.page.length);
    assert.equal(inflated, 0);
    assert.deepEqual(made, s.page);
    for (const [what, input, size] of [['one byte too many', s.packed, s.page.length - 1],
      ['one too few', s.packed, s.page.length + 1], ['broken', s.broken, s.page.length],
      ['cut', s.cut, s.page.length], ['bomb', s.bomb, s.page.length]]) {
      assert.equal(exactly(input, size)[0], 1, what);
    }
    assert.equal(exactly(s.withTail, s.page.length)[0], 0, 'bytes after the stream');
    const none = await korvel.instantiate({ inflater: null });
    const at = none.malloc(s.packed.length);
    new Uint8Array(none.memory.buffer, at, s.packed.length).set(s.packed);
    assert.equal(none.korvel_test_inflate_exactly(at, s.packed.length, none.malloc(16384), 16384), 1,
      'without an inflate a stream reads as broken');
  });
}

test('the module, korvel.mjs and the page\'s scripts are at most 150 KB gzipped in all', () => {
  const scripts = fs.readdirSync(site).filter((name) => /\.(wasm|mjs|js)$/.test(name));
  assert.ok(scripts.includes('korvel.wasm') && scripts.includes('viewer.js'), scripts.join(' '));
  const sizes = scripts.map((name) => zlib.gzipSync(fs.readFileSync(path.join(site, name)), { level: 9 }).length);
  const total = sizes.reduce((a, b) => a + b, 0);
  console.log(`gzipped: ${scripts.map((name, i) => `${name} ${sizes[i]}`).join(', ')}; ${total} bytes in all`);
  assert.ok(total <= 150 * 1000, `${total} bytes gzipped`);
});
