// The overdue-scan reminder: the program sends the language first, then the texts
// each time the notifier comes up. Every text goes in as text.
function setlanguage(code) {
    var small = { de: 1, nl: 1, fi: 1, ru: 1, pl: 1, el: 1, tr: 1 };
    var body = $('#nagBody');
    if (small.hasOwnProperty(String(code))) body.addClass('smallFonts');
    else body.removeClass('smallFonts');
}

function settext(title, age, description, buttonText, backupMode) {
    $('#string1').text(title);
    $('#string2').text(age);
    $('#string3').text(description);
    $('#btnStartScanNow').text(buttonText);
    $('#idtitle_image').attr('src', String(backupMode) === '1' ? 'nag_title_backup.png' : 'nag_title.png');
}
