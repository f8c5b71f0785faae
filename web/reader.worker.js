// The page's reader, off the page's thread: each file (or archive member)
// read by korvel.mjs with the page's drawing choices, its pictures (every
// frame of each) sent back as they are read. An archive member's bytes go
// back too, so that the page can have it read again with other choices.

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

// Choices as the page sends them, with the palette as bytes.
function readOptions(options) {
  return { ...options, maxPixels: kMaxDrawnPixels, palette: options.palette ? new Uint8Array(options.palette) : null };
}

async function readBytes(path, name, bytes, options, extra = {}) {
  const read = await readFile(bytes, name, readOptions(options));
  const pictures = read.pictures.map((p) => tooLarge(p)
    ? { ...p, rgba: null, frames: p.frames.map((f) => ({ ...f, rgba: null })) } : p);
  const buffers = new Set(pictures.flatMap((p) => p.frames.filter((f) => f.rgba).map((f) => f.rgba.buffer)));
  if (extra.bytes) buffers.add(extra.bytes.buffer);
  postMessage({ type: 'file', path, form: read.form, reason: read.reason, pictures, ...extra }, [...buffers]);
}

function postReason(path, reason) {
  postMessage({ type: 'file', path, form: null, reason, pictures: [] });
}

async function readOne(file, path, options) {
  const name = path.split('/').pop();
  if (archiveKind(name)) {
    let members = 0;
    const error = await walkArchive(file, name, async (member) => {
      ++members;
      const memberPath = `${path}/${member.path}`;
      if (member.bytes) await readBytes(memberPath, member.path, member.bytes, options, { bytes: member.bytes.slice(), name: member.path });
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
  await readBytes(path, name, bytes, options);
}

// Files are read one after the other, in the order given. A file read again
// ({again, source: a File or the bytes, name, path}) answers with its token.
let queue = Promise.resolve();
onmessage = (event) => {
  const { files, again, options = {} } = event.data;
  queue = queue.then(async () => {
    if (again !== undefined) {
      const { source, name, path } = event.data;
      try {
        const bytes = source instanceof Uint8Array ? source : new Uint8Array(await source.arrayBuffer());
        await readBytes(path, name, bytes, options, { again });
      } catch (error) {
        postMessage({ type: 'file', path, again, reason: `cannot read it (${error.message || error})`, pictures: [] });
      }
      return;
    }
    for (const { file, path } of files) {
      try {
        await readOne(file, path, options);
      } catch (error) {
        postReason(path, `cannot read it (${error.message || error})`);
      }
      postMessage({ type: 'done' });
    }
  });
};

version().then((v) => postMessage({ type: 'version', version: v }), () => {});
