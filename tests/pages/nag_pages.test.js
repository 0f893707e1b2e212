'use strict';
// The overdue-scan reminder and the driver-alert sign-up with the texts and calls
// that the program's tests recorded.
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, contracts, screenshot } = require('./harness');

function contract(page, state) {
  const found = contracts(page).find((c) => c.state === state);
  assert.ok(found, `no contract ${page} ${state}: run the Wine tests first`);
  return found;
}

async function withPage(t, name, body) {
  const browser = await launch();
  t.after(() => browser.close());
  const { page, errors } = await openPage(browser, name);
  await body(page);
  assert.deepStrictEqual(errors, []);
}

// How far the element reaches past the page's window, in pixels (0 when inside).
function overflowOf(page, selector) {
  return page.evaluate((s) => {
    const box = document.querySelector(s).getBoundingClientRect();
    return Math.max(0, box.right - window.innerWidth, box.bottom - window.innerHeight);
  }, selector);
}

test('reminder: the texts fill the notifier and the green button stays inside it', async (t) => {
  await withPage(t, 'taskbar_nag.htm', async (page) => {
    for (const state of ['one-month', 'two-years']) {
      const c = contract('taskbar_nag.htm', state);
      await applyContract(page, c);
      const settext = c.calls.find((call) => call.function === 'settext').arguments;
      assert.strictEqual(await page.locator('#string1').textContent(), settext[0]);
      assert.strictEqual(await page.locator('#string2').textContent(), settext[1]);
      assert.strictEqual(await page.locator('#btnStartScanNow').textContent(), settext[3]);
      for (const selector of ['#idGreenStartScanNowBtnLeftDiv', '#btnCloseme', '#string3']) {
        assert.strictEqual(await overflowOf(page, selector), 0, `${state} ${selector}`);
      }
      await screenshot(page, `taskbar_nag-${state}-checked`);
    }
    await page.evaluate(() => settext('a', 'b', 'c', 'd', '1'));
    assert.strictEqual(await page.locator('#idtitle_image').getAttribute('src'), 'nag_title_backup.png');
  });
});

test('sign-up: the program reads the typed address and the page shows each note in turn', async (t) => {
  await withPage(t, 'driver_alert.htm', async (page) => {
    await applyContract(page, contract('driver_alert.htm', 'empty'));
    assert.ok(!(await page.locator('#lblValidate').isVisible()));
    assert.ok(!(await page.locator('#idProcessing').isVisible()));
    await page.fill('#EmailAddress', '  someone@x.example ');
    assert.strictEqual(await page.evaluate(() => getEmailAddress()), '  someone@x.example ');
    // Enter in the field must not send the form anywhere.
    const before = page.url();
    await page.press('#EmailAddress', 'Enter');
    assert.strictEqual(page.url(), before);

    await page.evaluate(() => onSubmit('1'));
    assert.ok(await page.locator('#lblValidate').isVisible());
    await page.evaluate(() => { onSubmit('0'); showhideProcessingText('1'); });
    assert.ok(!(await page.locator('#lblValidate').isVisible()));
    assert.ok(await page.locator('#idProcessing').isVisible());
    assert.ok(await page.locator('#idGreyOkBtnLeftDiv').evaluate((e) => e.classList.contains('disabled')));
    await page.evaluate(() => { showhideProcessingText('0'); showSignupFailed('<b>failed</b>'); });
    assert.ok(!(await page.locator('#idProcessing').isVisible()));
    assert.strictEqual(await page.locator('#lblFailed').textContent(), '<b>failed</b>');
    for (const selector of ['#idGreyOkBtnLeftDiv', '#string326', '#btnCloseme', '#string4']) {
      assert.strictEqual(await overflowOf(page, selector), 0, selector);
    }
  });
});
