// The browser tests' harness: the built site served from 127.0.0.1 by a
// small static server, and headless chromium (Debian's) driven by
// playwright-core, every request it makes checked to stay on that server.

import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createRequire } from 'node:module';

import { site } from '../support.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('../../node_modules/playwright-core');

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.png': 'image/png', '.LICENSE': 'text/plain',
};

export function serveSite() {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const file = path.join(site, path.normalize(decodeURIComponent(url.pathname)).replace(/^(\.\.[/\\])+/, ''));
    const target = url.pathname.endsWith('/') ? path.join(file, 'index.html') : file;
    fs.readFile(target, (error, body) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'content-type': kTypes[path.extname(target)] ?? 'application/octet-stream' });
      response.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

export async function launch() {
  return chromium.launch({
    executablePath: process.env.KORVEL_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
}

// A page of the site in a context of this size and colour scheme. Every
// request must go to the server; `requests` collects the others.
export async function openPage(browser, server, { width = 1280, height = 900, colorScheme = 'light' } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, colorScheme, acceptDownloads: true });
  const page = await context.newPage();
  const origin = `http://127.0.0.1:${server.address().port}`;
  page.elsewhere = [];
  page.errors = [];
  context.on('request', (request) => {
    if (!request.url().startsWith(origin + '/') && !request.url().startsWith('blob:')) page.elsewhere.push(request.url());
  });
  page.on('pageerror', (error) => page.errors.push(String(error)));
  page.on('console', (message) => { if (message.type() === 'error') page.errors.push(message.text()); });
  await page.goto(`${origin}/index.html`);
  return page;
}

// Waits until the page has read everything it was given.
export async function settled(page, timeout = 120000) {
  await page.waitForFunction(() => document.body.dataset.reading === 'no', null, { timeout, polling: 100 });
}

// What the gallery shows: each card's file, label, caption and pixels
// (RGBA of its canvas, as an array) or reason.
export async function galleryOf(page, withPixels = true) {
  return page.evaluate((withPixels) => Promise.resolve([...document.querySelectorAll('#gallery .card')].map((card) => {
    const canvas = card.querySelector('canvas');
    const item = {
      file: canvas ? canvas.dataset.file : card.dataset.file,
      label: canvas ? canvas.dataset.label : null,
      detail: card.querySelector('.detail').textContent,
      reason: canvas ? null : card.querySelector('.frame').textContent,
    };
    if (canvas) {
      item.width = canvas.width;
      item.height = canvas.height;
      if (withPixels) item.rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    }
    return item;
  })).then(async (items) => {
    for (const item of items) {
      if (!item.rgba) continue;
      const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', item.rgba));
      item.rgba = [...digest].map((b) => b.toString(16).padStart(2, '0')).join('');
    }
    return items;
  }), withPixels);
}

// Drops files ({name, bytes}) on the page as a user's drop does.
export async function dropFiles(page, files) {
  const payload = files.map((f) => ({ name: f.name, data: Buffer.from(f.bytes).toString('base64') }));
  await page.evaluate((payload) => {
    const transfer = new DataTransfer();
    for (const f of payload) {
      const bytes = Uint8Array.from(atob(f.data), (c) => c.charCodeAt(0));
      transfer.items.add(new File([bytes], f.name));
    }
    for (const type of ['dragenter', 'dragover', 'drop']) {
      document.querySelector('main').dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: transfer }));
    }
  }, payload);
}
