#pragma once

// The restart prompt's window template and its page.
#define IDD_NAG_RESTART_HTML 437
#define IDR_NAG_RESTART_PAGE 5385
