// Opens a local page in headless chromium (through the web page's
// playwright-core) and prints the text of its #out element once the page
// has replaced "pending" there: node page_text.mjs PAGE.html WEB_FOLDER
import { createRequire } from 'node:module';

const [page, web] = process.argv.slice(2);
const { chromium } = createRequire(import.meta.url)(`${web}/node_modules/playwright-core`);
const browser = await chromium.launch({
  executablePath: process.env.KORVEL_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--allow-file-access-from-files'],
});
try {
  const tab = await browser.newPage();
  await tab.goto(`file://${page}`);
  await tab.waitForFunction(() => document.getElementById('out').textContent !== 'pending', null, { timeout: 60000 });
  console.log(await tab.textContent('#out'));
} finally {
  await browser.close();
}
