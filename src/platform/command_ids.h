#pragma once

// The one table of the program's command, message and pane ids: every window and feature takes
// its ids from here, so no two can collide.

constexpr int ID_ACTIVATE_SCOPE_VIEW = 390;
constexpr int ID_BUFFER_READY = 400;

// Display modes: 600..605 two-dimensional, 610..615 waterfall, in the order spectrum, phase,
// oscillograph, Lissajous, correlation, power spectrum. Set-up, compute and teardown commands
// are the mode plus these offsets.
constexpr int DISPLAY_MODE_FIRST_2D = 600;
constexpr int DISPLAY_MODE_FIRST_3D = 610;
constexpr int SETUP_COMMAND_OFFSET = 500;
constexpr int COMPUTE_COMMAND_OFFSET = 700;
constexpr int TEARDOWN_COMMAND_OFFSET = 800;

// File, setup and help menu commands.
constexpr int ID_EXPORT_DATA = 32825;
constexpr int ID_FILE_SAVE_BMP = 57603;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_HELP_CONTENTS = 32827;
constexpr int ID_SETUP_RATE = 32815;
constexpr int ID_SETUP_WINDOW = 140;
constexpr int ID_SETUP_CHANNELS = 32816;
constexpr int ID_SETUP_VOLTS = 32817;
constexpr int ID_SETUP_INPUT_DEVICE = 141;
constexpr int ID_SETUP_FILTER = 32824;
constexpr int ID_SETUP_WIZARD = 142;

// Commands bound to keys without a handler of their own, and the pane switches.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

// Status bar indicator ids.
constexpr int ID_INDICATOR_RATE = 59142;
constexpr int ID_INDICATOR_CHANNEL = 59143;
constexpr int ID_INDICATOR_BITS = 59144;
constexpr int ID_INDICATOR_FFTWINDOW = 59145;
constexpr int ID_INDICATOR_VOLT = 59147;

// Messages based on WM_USER.
constexpr unsigned WM_NAVBAR_NOTIFY = 0x0400 + 1;
constexpr unsigned WM_SWITCH_CHANGED = 0x0400 + 10;
constexpr int NAVBAR_ITEM_CLICK = 1;
constexpr int NAVBAR_FOLDER_CHANGE = 5;

// Our own: the control panel's wizard button asks the application object (through the main
// window) for the six-step wizard with the panel's step titles.
constexpr int ID_PANEL_SETUP_WIZARD = 143;

// Our own: the live display and what goes with it.
constexpr int ID_VIEW_LIVE = 32900;            // View > Live display, F5
constexpr int ID_SETUP_INPUT_LIST = 32901;     // Setup > Input Device List...
constexpr int ID_VIEW_CURTAINS_FIRST = 32910;  // View > 3-D curtains a second: 2, 5, 10, 20, 30
constexpr int ID_VIEW_CURTAINS_LAST = 32914;

// Our own: data out of the program and recordings into it.
constexpr int ID_EXPORT_CSV = 32940;           // File > Export CSV...
constexpr int ID_FILE_RECORD = 32941;          // File > Record... (a toggle)
constexpr int ID_FILE_OPEN_RECORDING = 32942;  // File > Open Recording...
constexpr int ID_FILE_RECENT_FIRST = 32943;    // File > Recent Recordings: the four entries
constexpr int ID_FILE_RECENT_LAST = 32946;
// Our own: whole setups of the instrument.
constexpr int ID_FILE_OPEN_SETUP = 32947;  // File > Open Setup...
constexpr int ID_FILE_SAVE_SETUP = 32948;  // File > Save Setup...
// The measurements.
constexpr int ID_VIEW_MEASUREMENTS = 32960;   // View > Measurements (the readout)
constexpr int ID_VIEW_MEASURE_LOG = 32961;    // View > Measurement Log...
constexpr int ID_VIEW_MEASURE_RESET = 32962;  // View > Reset Measurement Statistics
// Our own: the Spectrum menu of the spectrum analyser (its choices:
// features/spectrum/spectrum_menu.h).
constexpr int ID_SPECTRUM_FIRST = 33200;
constexpr int ID_SPECTRUM_SIZE_FIRST = 33200;     // Described, then 1024 .. 65536
constexpr int ID_SPECTRUM_SCALE_FIRST = 33210;    // linear, dBFS, dBV
constexpr int ID_SPECTRUM_AXIS_FIRST = 33215;     // linear, logarithmic
constexpr int ID_SPECTRUM_RANGE_FIRST = 33220;    // the level ranges
constexpr int ID_SPECTRUM_AVERAGE_FIRST = 33230;  // off, exponential, linear
constexpr int ID_SPECTRUM_DECAY_FIRST = 33250;    // the peak decays
constexpr int ID_SPECTRUM_FLAT_TOP = 33260;       // toggles, as are the two holds
constexpr int ID_SPECTRUM_PEAK_HOLD = 33261;
constexpr int ID_SPECTRUM_MINIMUM_HOLD = 33262;
constexpr int ID_SPECTRUM_RESET_HOLDS = 33299;
constexpr int ID_SPECTRUM_LAST = 33299;
// The Trigger menu and its keys.
constexpr int ID_TRIGGER_SETUP = 33160;       // Trigger > Trigger Setup... (Ctrl+T)
constexpr int ID_TRIGGER_MODE_FIRST = 33161;  // Off, Auto, Normal, Single
constexpr int ID_TRIGGER_MODE_LAST = 33164;
constexpr int ID_TRIGGER_SOURCE_LEFT = 33165;
constexpr int ID_TRIGGER_SOURCE_RIGHT = 33166;
constexpr int ID_TRIGGER_SLOPE_FIRST = 33167;  // rising, falling, either
constexpr int ID_TRIGGER_SLOPE_LAST = 33169;
constexpr int ID_TRIGGER_FIFTY = 33170;  // level to the middle of the newest frame (Ctrl+L)
constexpr int ID_TRIGGER_REARM = 33171;  // Single waits for its next trigger (F9)
constexpr int ID_TRIGGER_ROLL = 33172;   // roll at 20 ms/div and slower in Live
// The Cursors menu: X1 .. Y2 in ChartCursorId order, then track, snap and the markers.
constexpr int ID_CURSOR_X1 = 33400;
constexpr int ID_CURSOR_X2 = 33401;
constexpr int ID_CURSOR_Y1 = 33402;
constexpr int ID_CURSOR_Y2 = 33403;
constexpr int ID_CURSOR_TRACK = 33404;
constexpr int ID_CURSOR_SNAP = 33405;
constexpr int ID_MARKER_PEAK = 33406;
constexpr int ID_MARKER_NEXT_PEAK = 33407;
constexpr int ID_MARKER_CONTINUOUS = 33408;
constexpr int ID_MARKER_REFERENCE = 33409;
constexpr int ID_MARKER_CLEAR = 33410;
constexpr int ID_MARKER_TABLE = 33411;
constexpr int ID_CURSOR_LAST = ID_MARKER_TABLE;
// The Response menu.
constexpr int ID_RESPONSE_FIRST = 33600;
constexpr int ID_RESPONSE_DUAL = 33600;
constexpr int ID_RESPONSE_SWEEP = 33601;
constexpr int ID_RESPONSE_REFERENCE_LEFT = 33602;
constexpr int ID_RESPONSE_REFERENCE_RIGHT = 33603;
constexpr int ID_RESPONSE_AVERAGE_LINEAR = 33604;
constexpr int ID_RESPONSE_AVERAGE_EXPONENTIAL = 33605;
constexpr int ID_RESPONSE_RESTART = 33606;
constexpr int ID_RESPONSE_START_SWEEP = 33607;
constexpr int ID_RESPONSE_PHASE_UNWRAPPED = 33608;
constexpr int ID_RESPONSE_GROUP_DELAY = 33609;
constexpr int ID_RESPONSE_STORE_REFERENCE = 33610;
constexpr int ID_RESPONSE_CLEAR_REFERENCE = 33611;
constexpr int ID_RESPONSE_SMOOTHING_FIRST = 33620;  // one per kSmoothingChoices entry
constexpr int ID_RESPONSE_LAST = 33629;
// The Spectrogram menu.
constexpr int ID_SPECTROGRAM_MAP_FIRST = 34400;    // one a colour map, in ColorMapKind order
constexpr int ID_SPECTROGRAM_SPAN_FIRST = 34410;   // one a span of SpectrogramSpans()
constexpr int ID_SPECTROGRAM_RANGE_FIRST = 34420;  // one a range of SpectrogramRanges()
constexpr int ID_SPECTROGRAM_OVERLAP_50 = 34430;
constexpr int ID_SPECTROGRAM_OVERLAP_75 = 34431;
constexpr int ID_SPECTROGRAM_PAUSE = 34440;  // a toggle
constexpr int ID_SPECTROGRAM_BACK = 34441;
constexpr int ID_SPECTROGRAM_FORWARD = 34442;
constexpr int ID_SPECTROGRAM_NEWEST = 34443;
constexpr int ID_GENERATOR_PANEL = 33700;   // View > Generator > Generator Panel
constexpr int ID_GENERATOR_OUTPUT = 33701;  // View > Generator > Output On
