// What the results pages share: the language and the system version the program
// hands over first, which pick the fonts and a layout tweak.
var languageCode = 'en';
var osMajor = 6;

function setlanguage(code) {
    languageCode = String(code);
    // Languages with long words get the smaller fonts.
    var small = { de: 1, nl: 1, fi: 1, ru: 1, pl: 1, el: 1, tr: 1 };
    $('body').toggleClass('smallFonts', small.hasOwnProperty(languageCode));
}

function setosid(major) {
    osMajor = parseInt(major, 10) || 0;
    $('body').toggleClass('oldSystem', osMajor === 5);
}
