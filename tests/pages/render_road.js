'use strict';
// Shows the HTML screens of the main road as the program filled them. The road's
// test program writes, beside the picture of each step, what every shown page was
// given ("<step>-html-N.json": the view's size, the page's resource number, the
// texts put into its elements and the script calls in their order); this script
// replays that into the page in headless Chromium and saves "<step>-html-N.png".
//   node render_road.js <folder>
const fs = require('fs');
const path = require('path');
const { PAGES, launch, openPage } = require('./harness');

// The page file of each page number, as the program's resources list them.
function pageFiles() {
  const files = new Map();
  const pattern = /^(\d+)\s+HTML\s+"([^"]+)"/gm;
  const script = fs.readFileSync(path.join(PAGES, 'pages.rc'), 'utf8');
  let match;
  while ((match = pattern.exec(script)) !== null) files.set(Number(match[1]), match[2]);
  return files;
}

// Replays what the page was given; a call the page refuses is noted and the rest
// still go in, so the picture shows as much as the program gave.
function replay(page, received) {
  return page.evaluate((r) => {
    const problems = [];
    for (const id of Object.keys(r.elementTexts)) {
      const element = document.getElementById(id);
      if (element) element.innerText = r.elementTexts[id];
      else problems.push(`no element "${id}"`);
    }
    for (const call of r.calls) {
      try {
        window[call.function].apply(window, call.arguments);
      } catch (error) {
        problems.push(`${call.function}: ${error}`);
      }
    }
    return problems;
  }, received);
}

async function main(folder) {
  const files = pageFiles();
  const records = fs.readdirSync(folder).filter((f) => /-html-\d+\.json$/.test(f)).sort();
  const browser = await launch();
  let pictured = 0;
  try {
    for (const name of records) {
      const record = JSON.parse(fs.readFileSync(path.join(folder, name), 'utf8'));
      const page = files.get(record.received.resource);
      if (!page) {
        console.log(`render_road: ${name}: no page has the number ${record.received.resource}`);
        continue;
      }
      const size = record.width > 0 && record.height > 0 ? { width: record.width, height: record.height } : undefined;
      const { page: shown, context, errors } = await openPage(browser, page, [], size);
      try {
        errors.push(...(await replay(shown, record.received)));
        await shown.screenshot({ path: path.join(folder, name.replace(/\.json$/, '.png')) });
        pictured += 1;
        if (errors.length > 0) console.log(`render_road: ${name} (${page}): ${errors.join('; ')}`);
      } finally {
        await context.close();
      }
    }
  } finally {
    await browser.close();
  }
  console.log(`render_road: ${pictured} of ${records.length} HTML screens pictured in ${folder}`);
  return pictured === records.length;
}

if (process.argv.length < 3) {
  console.error('usage: node render_road.js <folder>');
  process.exit(2);
}
main(process.argv[2]).then(
  (all) => process.exit(all ? 0 : 1),
  (error) => {
    console.error(`render_road: ${error && error.stack ? error.stack : error}`);
    process.exit(1);
  },
);
