// korvel.mjs's drawing choices and frames, and png.js's animated PNG read
// back chunk by chunk.

import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { decodeRows, flashingScreen, gigascreen, pngChunks, readPng, scaAnimation, site } from '../support.mjs';

const korvel = await import(pathToFileURL(path.join(site, 'korvel.mjs')).href);
const png = await import(pathToFileURL(path.join(site, 'png.js')).href);

const pixel = (picture, x, y, frame = 0) => [...picture.frames[frame].rgba.subarray((y * picture.width + x) * 4, (y * picture.width + x) * 4 + 3)];
const delays = (picture) => picture.frames.map((f) => `${f.numerator}/${f.denominator}`);

test('frames and their delays: still, FLASH, a flickering gigascreen, SCA', async () => {
  const cases = [
    ['a still screen', flashingScreen(0x38), 'still.scr', {}, ['0/1']],
    ['a flashing screen', flashingScreen(), 'test.scr', {}, ['8/25', '8/25']],
    ['a gigascreen blended', gigascreen(), 'two.img', {}, ['0/1']],
    ['a gigascreen flickering', gigascreen(), 'two.img', { gigascreen: 'flicker' }, ['1/50', '1/50']],
    ['SCA, a delay of 0 counting as 1', scaAnimation([3, 0, 10]), 'anim.sca', {}, ['3/50', '1/50', '1/5']],
  ];
  for (const [what, bytes, name, options, want] of cases) {
    const [picture] = (await korvel.readFile(bytes, name, options)).pictures;
    assert.deepEqual(delays(picture), want, what);
    assert.equal(picture.rgba, picture.frames[0].rgba, `${what}: rgba is the first frame's`);
    const first = Buffer.from(picture.rgba);
    assert.ok(picture.frames.slice(1).every((f) => !first.equals(Buffer.from(f.rgba))), `${what}: each later frame differs`);
  }
  const [flash] = (await korvel.readFile(flashingScreen(), 'test.scr')).pictures;
  assert.deepEqual([pixel(flash, 0, 0), pixel(flash, 0, 0, 1)], [[0xbf, 0xbf, 0xbf], [0x08, 0x08, 0xbf]],
    'white paper, then blue ink where the pixels are off');
});

test('drawing choices: scale, border, palettes, and choices out of range', async () => {
  const still = flashingScreen(0x38);  // black ink on white paper
  const [plain] = (await korvel.readFile(still, 'x.scr')).pictures;
  const [twice] = (await korvel.readFile(still, 'x.scr', { scale: 2 })).pictures;
  assert.deepEqual([twice.width, twice.height], [512, 384]);
  for (const [x, y] of [[0, 0], [4, 0], [255, 191]]) {
    for (const [dx, dy] of [[0, 0], [1, 1]]) assert.deepEqual(pixel(twice, 2 * x + dx, 2 * y + dy), pixel(plain, x, y), `${x},${y}`);
  }
  const sizes = { none: [256, 192], small: [288, 224], medium: [320, 256], full: [384, 288] };
  for (const [border, size] of Object.entries(sizes)) {
    const [p] = (await korvel.readFile(still, 'x.scr', { border, borderColour: 2 })).pictures;
    assert.deepEqual([p.width, p.height], size, border);
    if (border !== 'none') assert.deepEqual(pixel(p, 0, 0), [0xbf, 0x08, 0x08], `${border}: a red border`);
  }
  for (const level of [192, 205, 215, 224, 170]) {
    const [p] = (await korvel.readFile(still, 'x.scr', { palette: korvel.plainPalette(level) })).pictures;
    assert.deepEqual([pixel(p, 0, 0), pixel(p, 4, 0)], [[level, level, level], [0, 0, 0]], `palette ${level}`);
  }
  const mine = korvel.parsePalette(Array.from({ length: 16 }, (_, i) => `#${(i * 0x10101).toString(16).padStart(6, '0')}`).join('\n'));
  const [own] = (await korvel.readFile(still, 'x.scr', { palette: mine })).pictures;
  assert.deepEqual(pixel(own, 0, 0), [7, 7, 7], 'white is colour 7 of a palette file');
  assert.deepEqual(korvel.plainPalette(192).subarray(3 * 9, 3 * 10), Uint8Array.of(0, 0, 0xff), 'bright blue');
  for (const bad of ['#000000\n'.repeat(15), '#00000g\n'.repeat(16)]) assert.throws(() => korvel.parsePalette(bad), SyntaxError);
  for (const options of [{ scale: 0 }, { scale: 9 }, { scale: 1.5 }, { border: 'wide' }, { gigascreen: 'mix' }, { borderColour: 8 }]) {
    await assert.rejects(korvel.readFile(still, 'x.scr', options), RangeError, JSON.stringify(options));
  }
  await assert.rejects(korvel.readFile(still, 'x.scr', { palette: new Uint8Array(47) }), TypeError);
});

test('save: an APNG of the frames, a plain PNG of a still picture', async () => {
  const width = 5, height = 3;
  const frame = (colour, numerator, denominator) => ({
    rgba: Uint8ClampedArray.from({ length: width * height * 4 }, (_, i) => (i % 4 === 3 ? 255 : i < 8 ? colour[i % 4] : 40)),
    numerator, denominator,
  });
  const frames = [frame([255, 0, 0], 8, 25), frame([0, 255, 0], 1, 50), frame([0, 0, 255], 51, 10)];
  const bytes = new Uint8Array(await (await png.encodeAnimatedPng(frames, width, height)).arrayBuffer());
  const chunks = pngChunks(bytes);
  assert.deepEqual(chunks.map((c) => c.type), ['IHDR', 'acTL', 'PLTE', 'fcTL', 'IDAT', 'fcTL', 'fdAT', 'fcTL', 'fdAT', 'IEND']);
  const actl = chunks[1].body;
  assert.deepEqual([actl.readUInt32BE(0), actl.readUInt32BE(4)], [3, 0], 'three frames, looping for ever');
  const controls = chunks.filter((c) => c.type === 'fcTL').map((c) => c.body);
  const sequence = chunks.filter((c) => c.type === 'fcTL' || c.type === 'fdAT').map((c) => c.body.readUInt32BE(0));
  assert.deepEqual(sequence, [0, 1, 2, 3, 4], 'one sequence over fcTL and fdAT');
  assert.deepEqual(controls.map((c) => [c.readUInt32BE(4), c.readUInt32BE(8), c.readUInt32BE(12), c.readUInt32BE(16),
    c.readUInt16BE(20), c.readUInt16BE(22), c[24], c[25]]),
  [[5, 3, 0, 0, 8, 25, 0, 0], [5, 3, 0, 0, 1, 50, 0, 0], [5, 3, 0, 0, 51, 10, 0, 0]]);
  const image = readPng(bytes);
  const rgbOf = (f) => Buffer.from(f.rgba.filter((_, i) => i % 4 !== 3));
  assert.deepEqual([image.type, image.depth], [3, 2], 'one palette of four colours over all frames');
  assert.ok(image.rgb.equals(rgbOf(frames[0])), 'the default image is the first frame');
  chunks.filter((c) => c.type === 'fdAT').forEach((c, i) => {
    assert.ok(decodeRows(c.body.subarray(4), image).equals(rgbOf(frames[i + 1])), `frame ${i + 2}`);
  });
  assert.deepEqual(png.apngDelay(100000, 50000), [50000, 25000]);

  const single = pngChunks(new Uint8Array(await (await png.encodeAnimatedPng(frames.slice(0, 1), width, height)).arrayBuffer()));
  assert.deepEqual(single.map((c) => c.type), ['IHDR', 'PLTE', 'IDAT', 'IEND']);
});
