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
  'restart_prompt.htm': { width: 560, height: 400 },
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

// Opens `name` in a new page, in the size of its window unless `size` is given.
// `leftRequests` collects every request that is not one of the program's own
// files (those never load).
async function openPage(browser, name, leftRequests = [], size = PAGE_SIZES[name] || DEFAULT_SIZE) {
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

function readContracts(pageName) {
  if (!fs.existsSync(CONTRACTS)) return [];
  return fs
    .readdirSync(CONTRACTS)
    .filter((file) => file.endsWith('.json'))
    .sort()
    .map((file) => JSON.parse(fs.readFileSync(path.join(CONTRACTS, file), 'utf8')))
    .filter((contract) => !pageName || contract.page === pageName);
}

// The page states recorded with a language table of the test's own (often texts
// that are their keys): for checks of what reaches which element.
function contracts(pageName) {
  return readContracts(pageName).filter((contract) => !contract.language);
}

// The page states recorded with the program's own language files, each naming its
// language: what a person reads.
function languageContracts(pageName) {
  return readContracts(pageName).filter((contract) => contract.language);
}

// Every element whose text is cut: its text overflows its own box, or reaches past
// an ancestor that clips (or past the window, which never scrolls). A text cut on
// purpose passes when it ends in an ellipsis and its full text is the tooltip of
// the element or of an ancestor. Each finding names the element, its text and how
// far it overflows.
function cutTexts(page) {
  return page.evaluate(() => {
    const SLACK = 1;
    function describe(element) {
      let name = element.tagName.toLowerCase();
      if (element.id) name += '#' + element.id;
      else if (element.className && typeof element.className === 'string') name += '.' + element.className.split(/\s+/).join('.');
      return name;
    }
    function ownText(element) {
      let text = '';
      for (const node of element.childNodes) if (node.nodeType === Node.TEXT_NODE) text += node.textContent;
      return text.trim();
    }
    function textBox(element) {
      const range = document.createRange();
      range.selectNodeContents(element);
      return range.getBoundingClientRect();
    }
    function clips(style) {
      return [style.overflowX, style.overflowY].some((o) => o !== 'visible');
    }
    function scrollsWay(overflow) {
      return overflow === 'auto' || overflow === 'scroll';
    }
    function scrolls(style) {
      return scrollsWay(style.overflowX) || scrollsWay(style.overflowY);
    }
    function explained(element, text) {
      const style = getComputedStyle(element);
      if (style.textOverflow !== 'ellipsis') return false;
      for (let e = element; e; e = e.parentElement) {
        const title = e.getAttribute('title');
        if (title && title.replace(/\s+/g, ' ').trim() === element.textContent.replace(/\s+/g, ' ').trim()) return true;
      }
      return false;
    }
    const found = [];
    const view = { left: 0, top: 0, right: window.innerWidth, bottom: window.innerHeight };
    for (const element of document.body.querySelectorAll('*')) {
      const text = ownText(element);
      if (!text || element.getClientRects().length === 0) continue;
      const style = getComputedStyle(element);
      if (style.visibility === 'hidden' || ['SCRIPT', 'STYLE', 'OPTION'].includes(element.tagName)) continue;
      const box = textBox(element);
      if (box.width === 0 && box.height === 0) continue;
      let over = 0;
      // Its own box; an inline element's text, the box of the block it lies in.
      let own = element;
      while (own.parentElement && getComputedStyle(own).display === 'inline') own = own.parentElement;
      if (own.clientWidth > 0 && !scrolls(getComputedStyle(own))) {
        over = Math.max(over, own.scrollWidth - own.clientWidth, own.scrollHeight - own.clientHeight);
      }
      // Every ancestor that clips, and the window, each direction up to an ancestor
      // that scrolls that way: what lies in a list that scrolls is reached by
      // scrolling, not cut.
      const clipBy = (inner, clipX, clipY) => {
        if (clipX) over = Math.max(over, inner.left - box.left, box.right - inner.right);
        if (clipY) over = Math.max(over, inner.top - box.top, box.bottom - inner.bottom);
      };
      let reachX = false;
      let reachY = false;
      for (let a = element.parentElement; a && a !== document.documentElement; a = a.parentElement) {
        const st = getComputedStyle(a);
        const clipX = !reachX && st.overflowX !== 'visible' && !scrollsWay(st.overflowX);
        const clipY = !reachY && st.overflowY !== 'visible' && !scrollsWay(st.overflowY);
        if (clipX || clipY) {
          const r = a.getBoundingClientRect();
          const left = r.left + a.clientLeft;
          const top = r.top + a.clientTop;
          clipBy({ left, top, right: left + a.clientWidth, bottom: top + a.clientHeight }, clipX, clipY);
        }
        reachX = reachX || scrollsWay(st.overflowX);
        reachY = reachY || scrollsWay(st.overflowY);
      }
      clipBy(view, !reachX, !reachY);
      if (over > SLACK && !explained(element, text)) {
        found.push(`${describe(element)} "${text.slice(0, 60)}" by ${Math.ceil(over)}px`);
      }
    }
    return found;
  });
}

async function screenshot(page, name) {
  fs.mkdirSync(SHOTS, { recursive: true });
  const file = path.join(SHOTS, `${name}.png`);
  await page.screenshot({ path: file });
  return file;
}

module.exports = {
  PAGES, CONTRACTS, PAGE_SIZES, launch, openPage, applyContract, contracts, languageContracts, cutTexts, screenshot,
};
