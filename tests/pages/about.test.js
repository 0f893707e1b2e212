'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, contracts } = require('./harness');

test('about page: the product address becomes the link that the program opens', async (t) => {
  const [contract] = contracts('about.htm');
  assert.ok(contract, 'no about page contract');
  const browser = await launch();
  t.after(() => browser.close());
  const { page, errors } = await openPage(browser, 'about.htm');
  await applyContract(page, contract);
  const address = contract.elementTexts.producturl;
  // Where the click would take the page (the program hands such a link to the
  // user's browser); the test stays on the page.
  await page.evaluate(() => {
    document.addEventListener('click', (event) => {
      window.followed = event.target.getAttribute('href');
      event.preventDefault();
    });
  });
  await page.click('#producturl');
  assert.strictEqual(await page.evaluate(() => window.followed), address);
  assert.deepStrictEqual(errors, []);
});

test('about page: everything fits its window without scrolling', async (t) => {
  const [contract] = contracts('about.htm');
  const browser = await launch();
  t.after(() => browser.close());
  const { page } = await openPage(browser, 'about.htm');
  await applyContract(page, contract);
  const overflow = await page.evaluate(() => {
    const panel = document.getElementById('aboutPanel');
    return panel.scrollHeight - panel.clientHeight;
  });
  assert.ok(overflow <= 0, `the texts overflow by ${overflow}px`);
});
