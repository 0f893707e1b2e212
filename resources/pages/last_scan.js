// The program fills this page with one call of settext; the page shows the panel
// of the last scan's outcome. Every text goes in as text.

// The element each value goes into, in the order of the call; null for the values
// that steer the page instead.
var lastScanTargets = [
    null, 'idText1', 'idText2', 'idText3', 'idText4', 'idText5', 'idText6', 'idText7', 'btnLastScanResults',
    'idText9', 'idText10', 'idText11', 'btnUpdateNow', 'idText13', 'idText14', 'idText15', 'idText16', 'idText17',
    'idText18', 'idText19', 'idText20', 'idText21', 'idText22', 'idText23', 'idText24', 'idText25', 'idText27',
    'idText28', 'btnStartScanNow', 'idText30', 'idText31', 'btnScanNow', 'varUpdatedTxt', 'varAllDriversAreUpToDate',
    'varLastScanText', null, null, 'varDriverAgeText', 'string165', 'string166', 'string167', null,
    'varNoScanPerformedYet'
];

function settext() {
    var values = arguments;
    for (var i = 0; i < lastScanTargets.length && i < values.length; i++) {
        if (lastScanTargets[i]) $('#' + lastScanTargets[i]).text(values[i]);
    }
    var condition = String(values[0]);
    var days = parseInt(values[35], 10);
    var level = String(values[41]);
    $('#currentDayText').text(values[3]);
    $('#btnStartScanNowUnchecked').text(values[28]);
    $('#ageBar').attr('src', 'age_bar_' + (level === '4' || level === '6' ? level : '2') + '.gif');

    $('.panel').hide();
    if (condition === '0' || isNaN(days) || days < 0) {
        $('#noScanPanel').show();
    } else if (condition === '1') {
        $('#outdatedPanel').show();
    } else {
        $('#currentPanel').show();
    }
}
