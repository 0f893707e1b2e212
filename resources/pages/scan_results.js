// The program fills this page through the functions below and reads the clicked
// row back through the getcurrent functions. Every text goes in as text.

// The tooltip of the rows' ignore links, from the page texts.
var ignoreTooltip = '';

function showPanel(condition) {
    $('.panel').hide();
    if (condition === '0') {
        $('#noScanPanel').show();
    } else if (condition === '2') {
        $('#allCurrentPanel').show();
    } else {
        $('#rowsPanel').show();
    }
    $('#idButtonTop').toggle(condition === '1');
}

function settext(condition, attention, updateAllText, col1, col2, col3, col4, bottomText, errorCount,
                 scanStatus, noScan1, noScan2, driversPerfect, hint, ignoreText) {
    $('#varAttentionText').text(attention);
    $('.updateAllText').text(updateAllText);
    $('#varCol1Heading').text(col1);
    $('#varCol2Heading').text(col2);
    $('#varCol3Heading').text(col3);
    $('#varCol4Heading').text(col4);
    $('#varBottomText').text(bottomText);
    $('#varBtmErrCount').text(errorCount);
    $('#varNoScanPerformedText1').text(noScan1);
    $('#varNoScanPerformedText2').text(noScan2);
    $('#varDriversPerfect').text(driversPerfect);
    $('#IDS_HINT_SCAN_RESULTS').text(hint);
    ignoreTooltip = ignoreText;
    $('#idTableResultDisplay .ignoreLink').attr('title', ignoreText);
    showPanel(String(scanStatus || condition));
}

function clearrows() {
    $('#idTableResultDisplay').empty();
}

function formField(name) {
    return document.forms.frmresult.elements[name];
}

function setidrow(row) { formField('rowid').value = row; }
function setiddriverid(device) { formField('driverid').value = device; }

function clickHidden(field, id, value) {
    formField(field).value = value;
    document.getElementById(id).click();
}
function setidlearnmore(item) { clickHidden('learnmoreid', 'learnmoreid', item); }
function setiddownload(item) { clickHidden('downloadid', 'downloadid', item); }
function setidignore(item) { clickHidden('ignoreid', 'ignoreid', item); }

function readField(name) {
    var value = parseInt(formField(name).value, 10);
    return isNaN(value) ? -1 : value;
}
function getcurrentDownloadid() { return readField('downloadid'); }
function getcurrentlearnmoreid() { return readField('learnmoreid'); }
function getcurrentignoreid() { return readField('ignoreid'); }
function getcurrentRowid() { return readField('rowid'); }
function getcurrentDriveridid() { return readField('driverid'); }

function rowLink(text, className, row, device, item, handler) {
    return $('<a href="#"></a>').addClass(className).text(text).click(function () {
        setidrow(row);
        setiddriverid(device);
        handler(item);
        return false;
    });
}

function addTableRow(iconName, iconTooltip, driverName, unpluggedText, category, installedText, installedDate,
                     updateToText, updateToDate, learnMoreText, ignoreText, oldText, veryOldText, ancientText,
                     damageLevel, ageTooltip, statusText, itemId, rowId, driverId, lastUpdate, state,
                     outdatedCount, restartTwoLines) {
    var details = $('<td class="colDetails"></td>');
    if (iconName) {
        details.append($('<img class="deviceIcon" alt="">').attr('src', iconName).attr('title', iconTooltip));
    }
    details.append($('<div class="deviceName"></div>').text(driverName).attr('title', driverName));
    // The badge has a line of its own: a long name may end in an ellipsis, the
    // badge is read whole in every language.
    if (unpluggedText) {
        details.append($('<div class="badgeLine"></div>').append($('<span class="unplugged"></span>').text(unpluggedText)));
    }
    details.append($('<div class="category"></div>').text(category));

    var version = $('<td class="colVersion"></td>').append(
        $('<div class="dateLine"></div>').text(installedText + ' ' + installedDate),
        $('<div class="dateLine"></div>').text(updateToText + ' ' + updateToDate));

    var level = damageLevel === '6' || damageLevel === '4' ? damageLevel : '2';
    var status = $('<td class="colStatus"></td>').append(
        $('<img class="ageBar" alt="">').attr('src', 'age_bar_' + level + '.gif').attr('title', ageTooltip),
        $('<div class="lastUpdate"></div>').text(lastUpdate));

    var actions = $('<td class="colAction rowActions"></td>');
    var main = rowLink(statusText, state === '2' ? 'restart' : 'download', rowId, driverId, itemId, setiddownload);
    if (restartTwoLines === '1') main.addClass('twoLines');
    actions.append(main,
        rowLink(learnMoreText, 'learnMore', rowId, driverId, itemId, setidlearnmore),
        rowLink(ignoreText, 'ignoreLink', rowId, driverId, itemId, setidignore).attr('title', ignoreTooltip));

    var tr = $('<tr></tr>').attr('data-row', rowId).attr('data-pending', outdatedCount);
    tr.append(details, version, status, actions);
    $('#idTableResultDisplay').append(tr);
}
