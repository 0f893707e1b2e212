// The restart prompt: the program fills it with one call of settext after
// setlanguage and setheaderImg. Every text goes in as text.
// Languages with long words get the smaller font.
function setlanguage(code) {
    var small = { de: 1, nl: 1, fi: 1, ru: 1, pl: 1, el: 1, tr: 1 };
    if (small.hasOwnProperty(String(code))) {
        $('#restartPanel').addClass('smallFonts');
    } else {
        $('#restartPanel').removeClass('smallFonts');
    }
}

function setheaderImg(flag) {
    $('#headerImage').attr('src', String(flag) === '1' ? 'header_left_bg_1.jpg' : 'header_left_bg.jpg');
}

function settext(varSaveWork, varMustRestart, varClickOn, varLetAppRestartPC, varRestart, varRestartLater,
                 varManuallyRestart, varNote, varContinue, btnName, var1, var2) {
    var texts = [varSaveWork, varMustRestart, varClickOn, varLetAppRestartPC, varRestart, varRestartLater,
                 varManuallyRestart, varNote];
    for (var i = 0; i < texts.length; i++) $('#idText' + (i + 1)).text(texts[i]);
    // The heading keeps one line; where a language's text is longer the heading
    // ends in an ellipsis and the whole text is its tooltip.
    $('#idText2').attr('title', varMustRestart);
    $('#continueText').text(varContinue);
    $('#btnNameText').text(btnName);
    $('#restartNowText').text(var1);
    $('#restartLaterText').text(var2);
}
