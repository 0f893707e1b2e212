// The home page: the program hands over the language, the texts by key, then the
// status with setText whenever it changes. Every text goes in as text.

var DRIVER_STATUS_NOTSCANNED = 0;
var DRIVER_STATUS_OUTDATED = 1;
var DRIVER_STATUS_PERFECT = 2;

// The language keys of LoadStrings' arguments, in their order; elements named
// after a key show its text.
var homeStringKeys = [
    'string98', 'string97', 'string96', 'string81', 'string80', 'string79', 'string78', 'IDS_DRIVER_AGE',
    'string68', 'string68', 'string160', 'string136', 'string135', 'string134', 'string133', 'string132',
    'string131', 'string130', 'string129', 'string118', 'string117', 'string117', 'string116', 'string115',
    'string114', 'string113', 'string112', 'IDC_SCANTAB_SCAN_NOW', 'string105', 'string104', 'string103',
    'string102', 'string165', 'string166', 'string167', 'IDS_ALLUPTODATE_DRIVER', 'IDS_WHY_BACKUP',
    'IDS_BACKUP_TIP_1', 'IDS_BACKUP_TIP_2', 'IDS_BACKUP_TIP_3', 'IDS_ALERT_1', 'IDS_ALERT_2'
];
var homeStrings = {};
var languageCode = 'en';

function setlanguage(code) {
    languageCode = String(code);
    // Languages with long words get the smaller fonts.
    var small = { de: 1, nl: 1, fi: 1, ru: 1, pl: 1, el: 1, tr: 1 };
    if (small.hasOwnProperty(languageCode)) $('#homePanel').addClass('smallFonts');
    else $('#homePanel').removeClass('smallFonts');
}

function LoadStrings() {
    for (var i = 0; i < homeStringKeys.length && i < arguments.length; i++) {
        homeStrings[homeStringKeys[i]] = String(arguments[i]);
    }
    var shown = ['string103', 'string130', 'string131', 'string132', 'string133', 'string134'];
    for (var j = 0; j < shown.length; j++) {
        if (homeStrings.hasOwnProperty(shown[j])) $('#' + shown[j]).text(homeStrings[shown[j]]);
    }
    if (homeStrings.hasOwnProperty('IDS_DRIVER_AGE')) $('#varDriverAge').text(homeStrings.IDS_DRIVER_AGE + ':');
}

// The elements of setText's arguments, in the call's order; null for the values
// that steer the page instead.
var homeStatusTargets = [
    'idAlertText', 'idHowUpdatedYourPC', 'idLastScan', 'idLastScanDate', 'idLastBackup', 'idLastBackupDate',
    'idOutofDateFiles', 'idOutofDateFilesCount', 'idUptoDateFiles', 'idUptoDateFilesCount', 'btnStartScanNow',
    null, 'idFixErrors', 'string130', 'string131', 'string132', 'string133', 'string134', null, 'idFeedbackLink',
    null, null, null
];

function setAlertImages(kind) {
    var middle = document.getElementById('idAlertBgMiddle');
    $('#idAlertBgLeft').attr('src', kind + '_bg_left.jpg');
    $('#idAlertBgRight').attr('src', kind + '_bg_right.jpg');
    if (middle) middle.style.backgroundImage = 'url(' + kind + '_bg_middle.jpg)';
    $('#idAlertIcon').attr('src', kind === 'HomeUptodate' ? 'HomeUptodate_tick_icon.jpg' : 'homeAttention_alert_icon.jpg');
}

function setText() {
    var values = arguments;
    for (var i = 0; i < homeStatusTargets.length && i < values.length; i++) {
        if (homeStatusTargets[i]) $('#' + homeStatusTargets[i]).text(values[i]);
    }
    var condition = parseInt(values[11], 10);
    if (condition !== DRIVER_STATUS_OUTDATED && condition !== DRIVER_STATUS_PERFECT) {
        condition = DRIVER_STATUS_NOTSCANNED;
    }
    var backupMadeOnce = String(values[18]) === '1';
    var backupTool = String(values[20]) === '1';
    var level = String(values[22]);

    $('#idLastBackup_1').text(values[4]);
    $('#idLastBackupDate_1').text(backupMadeOnce ? values[5] : values[21]);
    $('#ageBar').attr('src', 'age_bar_' + (level === '4' || level === '6' ? level : '2') + '.gif');

    setAlertImages(condition === DRIVER_STATUS_PERFECT ? 'HomeUptodate' : 'HomeAttention');
    var state = condition === DRIVER_STATUS_PERFECT ? 'good' : 'attention';
    $('#homePanel').removeClass('good').removeClass('attention').addClass(state);
    if (backupMadeOnce) $('#backupFacts').addClass('made');
    else $('#backupFacts').removeClass('made');

    // The backup tool shows its backup date in place of the scan figures.
    if (backupTool) {
        $('#scanFacts').hide();
        $('#backupFacts').show();
    } else {
        $('#backupFacts').hide();
        $('#scanFacts').show();
    }
    // Fixing leads somewhere only when a scan found outdated drivers.
    if (condition === DRIVER_STATUS_OUTDATED) $('#fixLine').show();
    else $('#fixLine').hide();
}

function setPageLoaded() {
    $('#homePanel').removeClass('loading');
}
