'use strict';
// What the page tests share: the browser, the pages served as the program serves
// them (every file by its name beside the page), the stand-in of the program's
// side of window.external, the contracts that the Wine-run tests write, and the
// screenshots.
const fs = require('fs');
const path = require('path');
const { chromium } = require('playwright-core');

const ROOT = path.resolve(__dirname, '..', '..');
const PAGES = path.join(ROOT, 'resources', 'pages');
const BUILD = process.env.HALVENOR_BUILD || path.join(ROOT, 'build');
const THIRD_PARTY = process.env.HALVENOR_THIRD_PARTY || path.join(BUILD, 'third_party');
const CONTRACTS = process.env.HALVENOR_PAGE_CONTRACTS || path.join(BUILD, 'i686', 'page_contracts');
const SHOTS = path.join(BUILD, 'page_shots');
const ORIGIN = 'http://pages.halvenor.test';

// The size of the window each page is shown in.
const PAGE_SIZES = {
  'about.htm': { width: 580, height: 226 },
  'scan_results.htm': { width: 758, height: 436 },
  'last_scan.htm': { width: 758, height: 436 },
  'driver_details.htm': { width: 553, height: 350 },
  'taskbar_nag.htm': { width: 320, height: 172 },
  'driver_alert.htm': { width: 580, height: 356 },
};
const DEFAULT_SIZE = { width: 777, height: 493 };

const CONTENT_TYPES = {
  '.htm': 'text/html; charset=utf-8',
  '.js': 'application/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.gif': 'image/gif',
};

function pageFile(name) {
  if (name.toLowerCase() === 'jquery.min.js') return path.join(THIRD_PARTY, 'jquery', 'jquery.min.js');
  return path.join(PAGES, name);
}

async function launch() {
  return chromium.launch({
    executablePath: process.env.HALVENOR_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}

// Opens `name` in a new page. `leftRequests` collects every request that is not
// one of the program's own files (those never load).
async function openPage(browser, name, leftRequests = []) {
  const size = PAGE_SIZES[name] || DEFAULT_SIZE;
  const context = await browser.newContext({ viewport: size });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.addInitScript(() => {
    const calls = [];
    Object.defineProperty(window, 'external', {
      configurable: true,
      value: { calls },
    });
  });
  await page.route('**/*', async (route) => {
    const url = new URL(route.request().url());
    const file = url.origin === ORIGIN ? pageFile(decodeURIComponent(url.pathname.slice(1))) : null;
    if (file && fs.existsSync(file)) {
      await route.fulfill({
        body: fs.readFileSync(file),
        headers: { 'content-type': CONTENT_TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream' },
      });
    } else {
      leftRequests.push(route.request().url());
      await route.abort();
    }
  });
  await page.goto(`${ORIGIN}/${name}`, { waitUntil: 'load' });
  return { page, context, errors };
}

// Puts the contract's texts and calls into the page as the program does: texts as
// the elements' text, each script argument as its own text.
async function applyContract(page, contract) {
  await page.evaluate((c) => {
    for (const id of Object.keys(c.elementTexts)) {
      const element = document.getElementById(id);
      if (!element) throw new Error(`the page has no element "${id}"`);
      element.innerText = c.elementTexts[id];
    }
    for (const call of c.calls) {
      if (typeof window[call.function] !== 'function') throw new Error(`the page has no function "${call.function}"`);
      window[call.function].apply(window, call.arguments);
    }
  }, contract);
}

function contracts(pageName) {
  if (!fs.existsSync(CONTRACTS)) return [];
  return fs
    .readdirSync(CONTRACTS)
    .filter((file) => file.endsWith('.json'))
    .sort()
    .map((file) => JSON.parse(fs.readFileSync(path.join(CONTRACTS, file), 'utf8')))
    .filter((contract) => !pageName || contract.page === pageName);
}

async function screenshot(page, name) {
  fs.mkdirSync(SHOTS, { recursive: true });
  const file = path.join(SHOTS, `${name}.png`);
  await page.screenshot({ path: file });
  return file;
}

module.exports = { PAGES, CONTRACTS, launch, openPage, applyContract, contracts, screenshot };
