#pragma once

// The browser library's headers, as the program's code includes them: always through this file.
// The real library's string wrappers call strlen without including <cstring> (they compile only
// when something before them did), so it comes first here.
#include <cstring>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_download_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
