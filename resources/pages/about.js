// The program puts every text into its element itself; the page only makes the
// product address a working link when it is clicked.
$(function () {
    $('#producturl').click(function () {
        var address = $.trim($('#producturl').text());
        if (/^https?:\/\//i.test(address)) {
            $('#producturl').attr('href', address);
        }
    });
});
