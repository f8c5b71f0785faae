// The page's reader, off the page's thread: each file (or archive member)
// read by korvel.mjs, its pictures sent back as they are read.

import { readFile, maxFileBytes, version } from './korvel.mjs';
import { archiveKind, walkArchive } from './archives.js';

// Pictures above this are not made into pixels: no browser draws them
// everywhere (some stop at 4096 x 4096), and korvel convert writes them.
const kMaxDrawnPixels = 4096 * 4096;
const kMaxDrawnSide = 16384;

function tooLarge(picture) {
  return picture.width * picture.height > kMaxDrawnPixels || picture.width > kMaxDrawnSide ||
    picture.height > kMaxDrawnSide;
}

async function readBytes(path, name, bytes) {
  const read = await readFile(bytes, name, { maxPixels: kMaxDrawnPixels });
  const pictures = read.pictures.map((p) => ({ ...p, rgba: tooLarge(p) ? null : p.rgba }));
  const buffers = pictures.filter((p) => p.rgba).map((p) => p.rgba.buffer);
  postMessage({ type: 'file', path, form: read.form, reason: read.reason, pictures }, buffers);
}

function postReason(path, reason) {
  postMessage({ type: 'file', path, form: null, reason, pictures: [] });
}

async function readOne(file, path) {
  const name = path.split('/').pop();
  if (archiveKind(name)) {
    let members = 0;
    const error = await walkArchive(file, name, async (member) => {
      ++members;
      const memberPath = `${path}/${member.path}`;
      if (member.bytes) await readBytes(memberPath, member.path, member.bytes);
      else postReason(memberPath, `passed over: ${member.skipped}`);
    });
    if (error) postReason(path, error);
    else if (members === 0) postReason(path, 'holds no ZX picture that korvel reads');
    return;
  }
  if (file.size > maxFileBytes) {
    postReason(path, 'not a ZX picture korvel reads');  // refused unread, as korvel does
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (error) {
    postReason(path, `cannot read it (${error.message || 'not a file'})`);
    return;
  }
  await readBytes(path, name, bytes);
}

// Files are read one after the other, in the order given.
let queue = Promise.resolve();
onmessage = (event) => {
  const { files } = event.data;
  queue = queue.then(async () => {
    for (const { file, path } of files) {
      try {
        await readOne(file, path);
      } catch (error) {
        postReason(path, `cannot read it (${error.message || error})`);
      }
      postMessage({ type: 'done' });
    }
  });
};

version().then((v) => postMessage({ type: 'version', version: v }), () => {});
