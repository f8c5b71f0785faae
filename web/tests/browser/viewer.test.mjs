// The viewer page in headless chromium: every sample through the file input
// and through a drop, archives, hostile and empty files, the large view and
// its PNG, 500 files at once; each canvas against the native core's picture,
// and no request anywhere but the page's own server.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import zlib from 'node:zlib';

import { expectedCards, flashingScreen, nativePictures, pngChunks, readPng, sampleFiles, samples, zipArchive } from '../support.mjs';
import { dropFiles, galleryOf, launch, openPage, serveSite, settled } from './harness.mjs';

const work = process.env.KORVEL_WORK ?? os.tmpdir();
let server, browser;
before(async () => {
  server = await serveSite();
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.close();
});

function assertGallery(shown, expected) {
  assert.equal(shown.length, expected.length, 'one card per picture, and one per file without a picture');
  shown.forEach((card, i) => {
    const want = expected[i];
    assert.equal(card.file, want.file, `card ${i}`);
    assert.equal(card.label, want.label, `${want.file} label`);
    assert.equal(card.reason, want.reason, `${want.file} reason`);
    if (want.rgba) {
      assert.deepEqual([card.width, card.height], [want.width, want.height], `${want.file} ${want.label} size`);
      assert.equal(card.rgba, want.rgba, `${want.file} ${want.label} pixels`);
    }
  });
}

async function pageWith(options) {
  const page = await openPage(browser, server, options);
  return page;
}

function assertStayedHome(page) {
  assert.deepEqual(page.elsewhere, [], 'no request to any other host');
  assert.deepEqual(page.errors, [], 'no script error');
}

test('every sample through the file input, pixel for pixel, and the page\'s policy', async () => {
  const files = sampleFiles();
  const page = await pageWith();
  const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', 'content');
  assert.match(policy, /default-src 'none'/);
  await page.setInputFiles('#files', files.map((f) => path.join(samples, f.name)));
  await settled(page);
  assertGallery(await galleryOf(page), expectedCards(files, nativePictures(files)));
  // The screenshots: desktop and phone, light and dark.
  fs.mkdirSync(path.join(work, 'screenshots'), { recursive: true });
  await page.screenshot({ path: path.join(work, 'screenshots', 'desktop-light.png') });
  for (const [name, options] of [['desktop-dark', { colorScheme: 'dark' }],
    ['phone-light', { width: 390, height: 844 }], ['phone-dark', { width: 390, height: 844, colorScheme: 'dark' }]]) {
    const other = await pageWith(options);
    await other.setInputFiles('#files', files.map((f) => path.join(samples, f.name)));
    await settled(other);
    await other.screenshot({ path: path.join(work, 'screenshots', `${name}.png`) });
    if (name === 'phone-dark') {
      await other.click('.card[data-index="2"]');
      await other.screenshot({ path: path.join(work, 'screenshots', 'phone-dark-large.png') });
    }
    assertStayedHome(other);
    await other.context().close();
  }
  assertStayedHome(page);
  await page.context().close();
});

test('every sample through a drop, and a zip and a gz of them', async () => {
  const files = sampleFiles();
  const native = nativePictures(files);
  const page = await pageWith();
  await dropFiles(page, files);
  await settled(page);
  assertGallery(await galleryOf(page), expectedCards(files, native));

  // An archive: the samples in folders, one stored, with members to pass over.
  const members = files.map((f, i) => ({ path: `${i % 2 ? 'games' : 'pics\\old'}/${f.name}`, bytes: f.bytes, stored: i === 3 }));
  const zip = zipArchive([...members,
    { path: 'games/', bytes: new Uint8Array(0) },
    { path: '../../x.scr', bytes: files[0].bytes },
    { path: 'big.scr', bytes: files[0].bytes, claimedSize: 17 * 1024 * 1024 }]);
  // A bomb: its member inflates past 16 MiB.
  const bombZip = zipArchive([{ path: 'bomb.scr', bytes: Buffer.alloc(17 * 1024 * 1024), claimedSize: 6912 }]);
  assert.ok(bombZip.length < 100000);
  const gz = zlib.gzipSync(files[0].bytes);
  await page.click('#clear');
  await dropFiles(page, [{ name: 'coll.zip', bytes: zip }, { name: 'bomb.zip', bytes: bombZip },
    { name: `${files[0].name}.gz`, bytes: gz }, { name: 'not.zip', bytes: Buffer.from('no archive at all') }]);
  await settled(page);
  const pathOf = (f) => `coll.zip/${members.find((m) => m.bytes === f.bytes).path.replace('\\', '/')}`;
  const expected = [
    ...expectedCards(files, native, pathOf),
    { file: 'coll.zip/../../x.scr', label: null, reason: 'passed over: a path outside the archive' },
    { file: 'coll.zip/big.scr', label: null, reason: 'passed over: larger than 16 MiB' },
    { file: 'bomb.zip/bomb.scr', label: null, reason: 'passed over: inflates past 16 MiB' },
    ...expectedCards([files[0]], [native[0]], (f) => `${f.name}.gz/${f.name}`),
    { file: 'not.zip', label: null, reason: 'not a zip archive (no end of central directory)' },
  ];
  assertGallery(await galleryOf(page), expected);
  assertStayedHome(page);
  await page.context().close();
});

test('hostile, empty and huge files end as one line of reason', async () => {
  const page = await pageWith();
  const emptyBlocks = Buffer.concat(Array.from({ length: 10000 }, () => Buffer.from([2, 0, 0xff, 0xff])));
  const huge = path.join(work, 'huge.scr');
  fs.writeFileSync(huge, Buffer.alloc(0));
  fs.truncateSync(huge, 1024 * 1024 * 1024);  // 1 GiB, sparse: read never, refused by its size
  await page.setInputFiles('#files', [huge]);
  await dropFiles(page, [{ name: '../../x.scr', bytes: Buffer.alloc(6000, 0x99) }, { name: 'empty.scr', bytes: Buffer.alloc(0) },
    { name: 'tape.tap', bytes: emptyBlocks }, { name: '<img src=x onerror=alert(1)>.scr', bytes: Buffer.alloc(7) }]);
  await settled(page);
  const reason = 'not a ZX picture korvel reads';
  assertGallery(await galleryOf(page), ['huge.scr', '../../x.scr', 'empty.scr', 'tape.tap', '<img src=x onerror=alert(1)>.scr']
    .map((file) => ({ file, label: null, reason })));
  assert.equal(await page.locator('#gallery img').count(), 0, 'names are text, never markup');
  fs.mkdirSync(path.join(work, 'screenshots'), { recursive: true });
  await page.screenshot({ path: path.join(work, 'screenshots', 'bad-input.png') });
  fs.rmSync(huge);
  assertStayedHome(page);
  await page.context().close();
});

test('the large view: scales, keys, and a palette PNG of the native pixels', async () => {
  const files = sampleFiles().filter((f) => ['landscape.tap', 'town.xpc', 'sunset.trd'].includes(f.name));
  const native = nativePictures(files);
  const page = await pageWith();
  await page.setInputFiles('#files', files.map((f) => path.join(samples, f.name)));
  await settled(page);
  await page.click('.card[data-index="0"]');
  const large = page.locator('#large');
  assert.equal(await large.getAttribute('data-file'), 'landscape.tap');
  await page.keyboard.press('3');
  assert.equal(await large.evaluate((c) => c.style.width), '768px');
  await page.keyboard.press('ArrowRight');
  assert.deepEqual([await large.getAttribute('data-file'), await large.getAttribute('data-label')], ['landscape.tap', '2']);
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('ArrowLeft');
  assert.equal(await large.getAttribute('data-file'), 'town.xpc', 'left of the first is the last');
  await page.keyboard.press('f');
  const fitted = await large.evaluate((c) => [parseFloat(c.style.width), c.parentElement.clientWidth, parseFloat(c.style.height),
    c.parentElement.clientHeight]);
  assert.ok(fitted[0] <= fitted[1] && fitted[2] <= fitted[3] && (fitted[0] === fitted[1] || fitted[2] === fitted[3]), 'fit');
  for (const [key, file, label, picture] of [['Home', 'landscape.tap', '1', native[0].pictures[0]],
    ['End', 'town.xpc', '', native[2].pictures[0]]]) {
    await page.keyboard.press(key);
    const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('s')]);
    assert.equal(download.suggestedFilename(), label ? `${file}.${label}.png` : `${file}.png`);
    const png = readPng(fs.readFileSync(await download.path()));
    assert.deepEqual([png.width, png.height], [picture.width, picture.height]);
    assert.ok(png.rgb.equals(picture.rgb), `${file} saved pixels`);
    if (file === 'landscape.tap') assert.deepEqual([png.type, png.depth], [3, 4], 'a palette PNG of up to 16 colours');
  }
  await page.keyboard.press('Escape');
  assert.equal(await page.evaluate(() => document.getElementById('viewer').open), false);
  assertStayedHome(page);
  await page.context().close();
});

// The large canvas's pixels, as a digest, every `ms` for `for` ms.
async function largeOver(page, ms, span) {
  return page.evaluate(async ([ms, span]) => {
    const canvas = document.getElementById('large');
    const seen = [];
    for (const until = performance.now() + span; performance.now() < until;) {
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      seen.push([...new Uint8Array(await crypto.subtle.digest('SHA-256', pixels))].slice(0, 8).join('.'));
      await new Promise((resolve) => setTimeout(resolve, ms));
    }
    return new Set(seen).size;
  }, [ms, span]);
}

test('a flashing screen plays, pauses, saves as an APNG, and is read again at scale 2', async () => {
  const page = await pageWith();
  await dropFiles(page, [{ name: 'test.scr', bytes: flashingScreen() }]);
  await settled(page);
  await page.click('.card[data-index="0"]');
  const large = page.locator('#large');
  assert.equal(await large.getAttribute('data-frames'), '2');
  assert.equal(await largeOver(page, 50, 1100), 2, 'both frames show within a second');
  await page.click('#play');
  assert.equal(await large.getAttribute('data-playing'), 'no');
  assert.equal(await largeOver(page, 50, 800), 1, 'paused, the picture stays');
  const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('s')]);
  const chunks = pngChunks(fs.readFileSync(await download.path()));
  assert.deepEqual([chunks[1].type, chunks.filter((c) => c.type === 'fcTL').length], ['acTL', 2]);
  await page.selectOption('#scale', '2');
  await page.waitForFunction(() => document.getElementById('large').width === 512);
  assert.deepEqual(await page.evaluate(() => [document.getElementById('large').height, document.querySelector('#gallery canvas').width]),
    [384, 512], 'the large view and its card');
  await page.click('#play');
  assert.equal(await largeOver(page, 50, 1100), 2, 'playing again');
  assertStayedHome(page);
  await page.context().close();
});

test('500 dropped files fill the gallery as they are read, the page answering throughout', async () => {
  const files = sampleFiles();
  const many = Array.from({ length: 500 }, (_, i) => {
    const f = files[i % files.length];
    return { name: `${String(i).padStart(3, '0')}-${f.name}`, bytes: f.bytes };
  });
  const expectedPictures = many.reduce((n, f) => n + nativePictures([files.find((s) => s.bytes === f.bytes)])[0].pictures.length, 0);
  const page = await pageWith();
  const started = await page.evaluate(() => performance.now());
  await dropFiles(page, many);
  let slowest = 0, polls = 0, partial = false;
  for (;;) {
    const before = Date.now();
    const [reading, cards] = await page.evaluate(() => [document.body.dataset.reading, document.querySelectorAll('#gallery canvas').length]);
    slowest = Math.max(slowest, Date.now() - before);
    ++polls;
    if (reading === 'yes' && cards > 0) partial = true;
    if (reading === 'no') break;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  const seconds = (await page.evaluate(() => performance.now()) - started) / 1000;
  assert.equal(await page.locator('#gallery canvas').count(), expectedPictures);
  assert.ok(partial, 'pictures show while the rest are still being read');
  assert.ok(slowest < 1000, `the page answered within ${slowest} ms throughout`);
  fs.writeFileSync(path.join(work, 'five-hundred-files.json'), JSON.stringify({ files: many.length, pictures: expectedPictures,
    seconds: Number(seconds.toFixed(2)), slowestAnswerMs: slowest, polls }) + '\n');
  console.log(`500 files, ${expectedPictures} pictures shown in ${seconds.toFixed(2)} s; slowest answer ${slowest} ms`);
  assertStayedHome(page);
  await page.context().close();
});
