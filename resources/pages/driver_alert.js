// The driver-alert sign-up: the program sends the language and the texts, reads the
// address back and shows the notes of its checks. Every text goes in as text.
function setlanguage(code) {
    var small = { de: 1, nl: 1, fi: 1, ru: 1, pl: 1, el: 1, tr: 1 };
    var body = $('#alertBody');
    if (small.hasOwnProperty(String(code))) body.addClass('smallFonts');
    else body.removeClass('smallFonts');
}

function settext(title, text, emailLabel, emailText, invalidNote, subscribe, buttonText, processing, backupMode,
                 privacy) {
    $('#string1').text(title);
    $('#string2').text(text);
    $('#string3').text(emailLabel);
    $('#string4').text(emailText);
    $('#lblValidate').text(invalidNote);
    $('#string5').text(subscribe);
    $('#btnOK').text(buttonText);
    $('#idProcessing').text(processing);
    $('#idtitle_image').attr('src', String(backupMode) === '1' ? 'nag_title_backup.png' : 'nag_title.png');
    $('#string326').text(privacy);
}

function getEmailAddress() {
    var value = $('#EmailAddress').val();
    return value === undefined || value === null ? '' : String(value);
}

// "1": the address is not valid; "0": it is.
function onSubmit(invalid) {
    $('#lblFailed').hide();
    if (String(invalid) === '1') $('#lblValidate').show();
    else $('#lblValidate').hide();
}

// "1" while the sign-up runs: the note shows and the button takes no clicks.
function showhideProcessingText(busy) {
    if (String(busy) === '1') {
        $('#idProcessing').show();
        $('#idGreyOkBtnLeftDiv').addClass('disabled');
        $('#btnOK').attr('disabled', 'disabled');
    } else {
        $('#idProcessing').hide();
        $('#idGreyOkBtnLeftDiv').removeClass('disabled');
        $('#btnOK').attr('disabled', '');
    }
}

// The sign-up did not go through; the popup stays for another try.
function showSignupFailed(text) {
    $('#lblValidate').hide();
    $('#lblFailed').text(text).show();
}
