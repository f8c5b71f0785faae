// .zip archives and .gz files, opened in the browser as the command-line host
// opens them: each member read in memory up to 16 MiB (a member that claims
// more, or inflates past it, is passed over), paths kept inside the archive,
// folders passed over. Inflating is the browser's own DecompressionStream.

import { crc32 } from './png.js';

export const memberLimit = 16 * 1024 * 1024;
const kLimitText = '16 MiB';

export function archiveKind(name) {
  const lower = name.toLowerCase();
  return lower.endsWith('.zip') ? 'zip' : lower.endsWith('.gz') ? 'gzip' : null;
}

// A member path as a relative path that stays inside the archive:
// backslashes read as separators, empty and `.` parts dropped; null when a
// `..` part would climb out or nothing is left.
export function safeMemberPath(raw) {
  const parts = [];
  for (const part of raw.split(/[/\\]/)) {
    if (part === '..') return null;
    if (part !== '' && part !== '.') parts.push(part);
  }
  return parts.length ? parts.join('/') : null;
}

// The bytes of `stream` inflated by `format`, or why not: at most `limit`.
async function inflateStream(stream, format, limit) {
  const reader = stream.pipeThrough(new DecompressionStream(format)).getReader();
  const chunks = [];
  let size = 0;
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      size += value.length;
      if (size > limit) {
        reader.cancel().catch(() => {});
        return { skipped: `inflates past ${kLimitText}` };
      }
      chunks.push(value);
    }
  } catch (error) {
    return { skipped: `damaged or unreadable member: ${error.message || 'broken data'}` };
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.length;
  }
  return { bytes };
}

async function sliceBytes(file, start, end) {
  return new Uint8Array(await file.slice(start, end).arrayBuffer());
}

class NotAnArchive extends Error {}

// The central directory: where each member lies, from the end record back.
async function zipDirectory(file) {
  const tail = await sliceBytes(file, Math.max(0, file.size - 65557), file.size);
  const view = new DataView(tail.buffer);
  let end = -1;
  for (let i = tail.length - 22; i >= 0; --i) {
    if (view.getUint32(i, true) === 0x06054b50) {
      end = i;
      break;
    }
  }
  if (end < 0) throw new NotAnArchive('not a zip archive (no end of central directory)');
  const count = view.getUint16(end + 10, true);
  const size = view.getUint32(end + 12, true);
  const offset = view.getUint32(end + 16, true);
  if (count === 0xffff || size === 0xffffffff || offset === 0xffffffff) {
    throw new NotAnArchive('a zip64 archive, which is not read here');
  }
  if (offset + size > file.size) throw new NotAnArchive('a damaged zip archive (its directory lies past its end)');
  const directory = await sliceBytes(file, offset, offset + size);
  const d = new DataView(directory.buffer);
  const members = [];
  for (let at = 0, n = 0; n < count; ++n) {
    if (at + 46 > directory.length || d.getUint32(at, true) !== 0x02014b50) {
      throw new NotAnArchive('a damaged zip archive (its directory is cut short)');
    }
    const flags = d.getUint16(at + 8, true);
    const nameLength = d.getUint16(at + 28, true);
    const rawName = directory.subarray(at + 46, at + 46 + nameLength);
    members.push({
      name: new TextDecoder(flags & 0x800 ? 'utf-8' : 'latin1').decode(rawName),
      encrypted: (flags & 1) !== 0,
      method: d.getUint16(at + 10, true),
      crc: d.getUint32(at + 16, true),
      packedSize: d.getUint32(at + 20, true),
      size: d.getUint32(at + 24, true),
      localHeader: d.getUint32(at + 42, true),
    });
    at += 46 + nameLength + d.getUint16(at + 30, true) + d.getUint16(at + 32, true);
  }
  return members;
}

async function readZipMember(file, member, limit) {
  if (member.encrypted) return { skipped: 'damaged or unreadable member: encrypted' };
  if (member.size > limit) return { skipped: `larger than ${kLimitText}` };
  const local = await sliceBytes(file, member.localHeader, member.localHeader + 30);
  if (local.length < 30 || new DataView(local.buffer).getUint32(0, true) !== 0x04034b50) {
    return { skipped: 'damaged or unreadable member: no local header' };
  }
  const l = new DataView(local.buffer);
  const start = member.localHeader + 30 + l.getUint16(26, true) + l.getUint16(28, true);
  const packed = file.slice(start, start + member.packedSize);
  let read;
  if (member.method === 0) {
    read = member.packedSize > limit ? { skipped: `larger than ${kLimitText}` }
      : { bytes: new Uint8Array(await packed.arrayBuffer()) };
  } else if (member.method === 8) {
    read = await inflateStream(packed.stream(), 'deflate-raw', limit);
  } else {
    return { skipped: `damaged or unreadable member: packed by method ${member.method}, which is not read here` };
  }
  if (read.bytes && crc32(read.bytes) !== member.crc) {
    return { skipped: 'damaged or unreadable member: its CRC-32 is wrong' };
  }
  return read;
}

// Calls visit({path, bytes, skipped}) for each member that is a file, in
// directory order. Resolves to null, or to why the archive itself cannot be
// read (members visited before that stand).
export async function walkArchive(file, name, visit, limit = memberLimit) {
  const kind = archiveKind(name);
  try {
    if (kind === 'gzip') {
      const head = await sliceBytes(file, 0, 2);
      if (head[0] !== 0x1f || head[1] !== 0x8b) return 'not a gzip file';
      const path = name.replace(/\.gz$/i, '').split(/[/\\]/).pop() || 'member';
      const read = await inflateStream(file.stream(), 'gzip', limit);
      await visit({ path, ...read });
      return null;
    }
    for (const member of await zipDirectory(file)) {
      if (member.name.endsWith('/') || member.name.endsWith('\\')) continue;  // a folder
      const path = safeMemberPath(member.name);
      if (path === null) {
        await visit({ path: member.name, skipped: 'a path outside the archive' });
        continue;
      }
      await visit({ path, ...(await readZipMember(file, member, limit)) });
    }
    return null;
  } catch (error) {
    if (error instanceof NotAnArchive) return error.message;
    return `cannot read it (${error.message || error})`;
  }
}
