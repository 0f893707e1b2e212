// The program fills this popup with one call of settext. Every text goes in as text.
function setheaderImg(flag) {
    $('#headerImage').attr('src', String(flag) === '1' ? 'header_left_bg_1.jpg' : 'header_left_bg.jpg');
}

function settext(heading, category, driverName, details, outdated, newDriver, available, versionText, versionOld,
                 versionNew, dateText, dateOld, dateNew, manufacturerText, manufacturerOld, manufacturerNew, okText) {
    var texts = [heading, category, driverName, details, outdated, newDriver, null, versionText, versionOld,
                 versionNew, dateText, dateOld, dateNew, manufacturerText, manufacturerOld, manufacturerNew];
    for (var i = 0; i < texts.length; i++) {
        if (texts[i] !== null) $('#idtext' + (i < 6 ? i + 1 : i)).text(texts[i]);
    }
    $('#available').text(available ? '(' + available + ')' : '');
    $('#btnOkText').text(okText);
}
