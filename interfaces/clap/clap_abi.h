// SPDX-License-Identifier: MIT
// The part of the CLAP plug-in interface this project uses, declared from the published C
// headers of CLAP 1.2.10 (free-audio/clap, MIT licence). Only what the module, its test
// host and bramsoliket-host touch is declared; every structure keeps the field order, types and calling
// convention of the published headers, and the assertions at the end pin sizes and offsets
// for the three layouts the project builds: 64-bit (Linux and Windows), 32-bit x86 Linux
// (System V: 64-bit integers and doubles 4-byte aligned inside structures) and 32-bit
// Windows (8-byte aligned there).
//
// Nothing here changed between CLAP 1.0 and 1.2.10: hosts of any 1.x version read the same
// layout.
#pragma once

#include <cstddef>
#include <cstdint>

// Every function of the interface uses the C calling convention of the platform.
#if defined(_WIN32)
#define BRAMSOLIKET_CLAP_ABI __cdecl
#else
#define BRAMSOLIKET_CLAP_ABI
#endif

extern "C" {

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

inline constexpr clap_version kClapVersionFollowed = {1, 2, 10};

using clap_id = std::uint32_t;
inline constexpr clap_id kClapInvalidId = UINT32_MAX;

// String capacities of the interface, terminator included.
inline constexpr std::size_t kClapNameSize = 256;
inline constexpr std::size_t kClapPathSize = 1024;

// ---- Events ---------------------------------------------------------------------------

struct clap_event_header {
    std::uint32_t size;  // of the whole event, this header included
    std::uint32_t time;  // sample offset within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

inline constexpr std::uint16_t kClapCoreEventSpace = 0;
inline constexpr std::uint16_t kClapEventParamValue = 5;
// A user's adjustment of a parameter begins and ends; the plug-in sends these around the
// values its own window changes.
inline constexpr std::uint16_t kClapEventParamGestureBegin = 7;
inline constexpr std::uint16_t kClapEventParamGestureEnd = 8;
// A live user event, a user turning a control.
inline constexpr std::uint32_t kClapEventIsLive = 1u << 0;

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

struct clap_input_events {
    void* ctx;
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* size)(const clap_input_events* list);
    const clap_event_header*(BRAMSOLIKET_CLAP_ABI* get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool(BRAMSOLIKET_CLAP_ABI* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- Audio and processing -------------------------------------------------------------

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

// Read by no part of this project; declared so that clap_process has its pointer type.
struct clap_event_transport;

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

using clap_process_status = std::int32_t;
inline constexpr clap_process_status kClapProcessError = 0;
inline constexpr clap_process_status kClapProcessContinue = 1;

// ---- Host and plug-in -----------------------------------------------------------------

struct clap_host {
    clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(BRAMSOLIKET_CLAP_ABI* get_extension)(const clap_host* host, const char* extension_id);
    void(BRAMSOLIKET_CLAP_ABI* request_restart)(const clap_host* host);
    void(BRAMSOLIKET_CLAP_ABI* request_process)(const clap_host* host);
    void(BRAMSOLIKET_CLAP_ABI* request_callback)(const clap_host* host);
};

struct clap_plugin_descriptor {
    clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  // terminated by a null pointer
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool(BRAMSOLIKET_CLAP_ABI* init)(const clap_plugin* plugin);
    void(BRAMSOLIKET_CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                                         std::uint32_t max_frames_count);
    void(BRAMSOLIKET_CLAP_ABI* deactivate)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* start_processing)(const clap_plugin* plugin);
    void(BRAMSOLIKET_CLAP_ABI* stop_processing)(const clap_plugin* plugin);
    void(BRAMSOLIKET_CLAP_ABI* reset)(const clap_plugin* plugin);
    clap_process_status(BRAMSOLIKET_CLAP_ABI* process)(const clap_plugin* plugin, const clap_process* process);
    const void*(BRAMSOLIKET_CLAP_ABI* get_extension)(const clap_plugin* plugin, const char* id);
    void(BRAMSOLIKET_CLAP_ABI* on_main_thread)(const clap_plugin* plugin);
};

inline constexpr char kClapPluginFactoryId[] = "clap.plugin-factory";

struct clap_plugin_factory {
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor*(BRAMSOLIKET_CLAP_ABI* get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                                                std::uint32_t index);
    const clap_plugin*(BRAMSOLIKET_CLAP_ABI* create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                                            const char* plugin_id);
};

// The one symbol a module exports.
struct clap_plugin_entry {
    clap_version clap_version;
    bool(BRAMSOLIKET_CLAP_ABI* init)(const char* plugin_path);
    void(BRAMSOLIKET_CLAP_ABI* deinit)();
    const void*(BRAMSOLIKET_CLAP_ABI* get_factory)(const char* factory_id);
};

// ---- Streams --------------------------------------------------------------------------

// read: the number of bytes read, 0 at the end, -1 on error.
struct clap_istream {
    void* ctx;
    std::int64_t(BRAMSOLIKET_CLAP_ABI* read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

// write: the number of bytes written, -1 on error.
struct clap_ostream {
    void* ctx;
    std::int64_t(BRAMSOLIKET_CLAP_ABI* write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

// ---- Plug-in extensions ---------------------------------------------------------------

inline constexpr char kClapExtAudioPorts[] = "clap.audio-ports";
inline constexpr char kClapPortMono[] = "mono";
inline constexpr char kClapPortStereo[] = "stereo";
inline constexpr std::uint32_t kClapAudioPortIsMain = 1u << 0;

struct clap_audio_port_info {
    clap_id id;
    char name[kClapNameSize];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(BRAMSOLIKET_CLAP_ABI* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                                    clap_audio_port_info* info);
};

inline constexpr char kClapExtParams[] = "clap.params";
inline constexpr std::uint32_t kClapParamIsAutomatable = 1u << 5;
inline constexpr std::uint32_t kClapParamRescanValues = 1u << 0;

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[kClapNameSize];
    char module[kClapPathSize];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* count)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* info);
    bool(BRAMSOLIKET_CLAP_ABI* get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
    bool(BRAMSOLIKET_CLAP_ABI* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value,
                                              char* out_buffer, std::uint32_t out_buffer_capacity);
    bool(BRAMSOLIKET_CLAP_ABI* text_to_value)(const clap_plugin* plugin, clap_id param_id,
                                              const char* param_value_text, double* out_value);
    void(BRAMSOLIKET_CLAP_ABI* flush)(const clap_plugin* plugin, const clap_input_events* in,
                                      const clap_output_events* out);
};

inline constexpr char kClapExtState[] = "clap.state";

struct clap_plugin_state {
    bool(BRAMSOLIKET_CLAP_ABI* save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool(BRAMSOLIKET_CLAP_ABI* load)(const clap_plugin* plugin, const clap_istream* stream);
};

inline constexpr char kClapExtLatency[] = "clap.latency";

struct clap_plugin_latency {
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* get)(const clap_plugin* plugin);
};

// The plug-in's window. X11 sizes are in physical pixels, and the plug-in's window is
// embedded in the host's (set_parent) by XEMBED.
inline constexpr char kClapExtGui[] = "clap.gui";
inline constexpr char kClapWindowApiX11[] = "x11";

struct clap_window {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool(BRAMSOLIKET_CLAP_ABI* is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool(BRAMSOLIKET_CLAP_ABI* get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool(BRAMSOLIKET_CLAP_ABI* create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void(BRAMSOLIKET_CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* set_scale)(const clap_plugin* plugin, double scale);
    bool(BRAMSOLIKET_CLAP_ABI* get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(BRAMSOLIKET_CLAP_ABI* can_resize)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool(BRAMSOLIKET_CLAP_ABI* adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(BRAMSOLIKET_CLAP_ABI* set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool(BRAMSOLIKET_CLAP_ABI* set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool(BRAMSOLIKET_CLAP_ABI* set_transient)(const clap_plugin* plugin, const clap_window* window);
    void(BRAMSOLIKET_CLAP_ABI* suggest_title)(const clap_plugin* plugin, const char* title);
    bool(BRAMSOLIKET_CLAP_ABI* show)(const clap_plugin* plugin);
    bool(BRAMSOLIKET_CLAP_ABI* hide)(const clap_plugin* plugin);
};

// The plug-in's side of the host's reactor: the host calls on_fd when a registered file
// descriptor is ready, on its main thread.
inline constexpr char kClapExtPosixFdSupport[] = "clap.posix-fd-support";
using clap_posix_fd_flags = std::uint32_t;
inline constexpr clap_posix_fd_flags kClapPosixFdRead = 1u << 0;
inline constexpr clap_posix_fd_flags kClapPosixFdWrite = 1u << 1;
inline constexpr clap_posix_fd_flags kClapPosixFdError = 1u << 2;

struct clap_plugin_posix_fd_support {
    void(BRAMSOLIKET_CLAP_ABI* on_fd)(const clap_plugin* plugin, int fd, clap_posix_fd_flags flags);
};

// Periodic calls on the host's main thread.
inline constexpr char kClapExtTimerSupport[] = "clap.timer-support";

struct clap_plugin_timer_support {
    void(BRAMSOLIKET_CLAP_ABI* on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

// ---- Host extensions ------------------------------------------------------------------

inline constexpr char kClapExtThreadCheck[] = "clap.thread-check";

struct clap_host_thread_check {
    bool(BRAMSOLIKET_CLAP_ABI* is_main_thread)(const clap_host* host);
    bool(BRAMSOLIKET_CLAP_ABI* is_audio_thread)(const clap_host* host);
};

struct clap_host_params {
    void(BRAMSOLIKET_CLAP_ABI* rescan)(const clap_host* host, std::uint32_t flags);
    void(BRAMSOLIKET_CLAP_ABI* clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    void(BRAMSOLIKET_CLAP_ABI* request_flush)(const clap_host* host);
};

struct clap_host_gui {
    void(BRAMSOLIKET_CLAP_ABI* resize_hints_changed)(const clap_host* host);
    bool(BRAMSOLIKET_CLAP_ABI* request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool(BRAMSOLIKET_CLAP_ABI* request_show)(const clap_host* host);
    bool(BRAMSOLIKET_CLAP_ABI* request_hide)(const clap_host* host);
    // The window was closed, or the connection to it lost; with was_destroyed the host must
    // call the plug-in's gui destroy.
    void(BRAMSOLIKET_CLAP_ABI* closed)(const clap_host* host, bool was_destroyed);
};

struct clap_host_posix_fd_support {
    bool(BRAMSOLIKET_CLAP_ABI* register_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
    bool(BRAMSOLIKET_CLAP_ABI* modify_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
    bool(BRAMSOLIKET_CLAP_ABI* unregister_fd)(const clap_host* host, int fd);
};

struct clap_host_timer_support {
    bool(BRAMSOLIKET_CLAP_ABI* register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool(BRAMSOLIKET_CLAP_ABI* unregister_timer)(const clap_host* host, clap_id timer_id);
};

inline constexpr char kClapExtLog[] = "clap.log";
using clap_log_severity = std::int32_t;
inline constexpr clap_log_severity kClapLogHostMisbehaving = 5;

struct clap_host_log {
    void(BRAMSOLIKET_CLAP_ABI* log)(const clap_host* host, clap_log_severity severity, const char* message);
};

// ---- For hosts --------------------------------------------------------------------------
// What a host reads beyond what the module itself answers: the remaining values of the
// enumerations above, the note ports (which tell an instrument), and the identifiers of the
// other extensions of CLAP 1.2.10, so that a host can say which of them a plug-in offers.

inline constexpr clap_process_status kClapProcessContinueIfNotQuiet = 2;
inline constexpr clap_process_status kClapProcessTail = 3;
inline constexpr clap_process_status kClapProcessSleep = 4;

inline constexpr std::uint32_t kClapAudioPortSupports64Bits = 1u << 1;
inline constexpr std::uint32_t kClapAudioPortPrefers64Bits = 1u << 2;
inline constexpr std::uint32_t kClapAudioPortRequiresCommonSampleSize = 1u << 3;

inline constexpr std::uint32_t kClapParamIsStepped = 1u << 0;
inline constexpr std::uint32_t kClapParamIsPeriodic = 1u << 1;
inline constexpr std::uint32_t kClapParamIsHidden = 1u << 2;
inline constexpr std::uint32_t kClapParamIsReadonly = 1u << 3;
inline constexpr std::uint32_t kClapParamIsBypass = 1u << 4;
inline constexpr std::uint32_t kClapParamIsAutomatablePerNoteId = 1u << 6;
inline constexpr std::uint32_t kClapParamIsAutomatablePerKey = 1u << 7;
inline constexpr std::uint32_t kClapParamIsAutomatablePerChannel = 1u << 8;
inline constexpr std::uint32_t kClapParamIsAutomatablePerPort = 1u << 9;
inline constexpr std::uint32_t kClapParamIsModulatable = 1u << 10;
inline constexpr std::uint32_t kClapParamIsModulatablePerNoteId = 1u << 11;
inline constexpr std::uint32_t kClapParamIsModulatablePerKey = 1u << 12;
inline constexpr std::uint32_t kClapParamIsModulatablePerChannel = 1u << 13;
inline constexpr std::uint32_t kClapParamIsModulatablePerPort = 1u << 14;
inline constexpr std::uint32_t kClapParamRequiresProcess = 1u << 15;
inline constexpr std::uint32_t kClapParamIsEnum = 1u << 16;

inline constexpr std::uint32_t kClapParamRescanText = 1u << 1;
inline constexpr std::uint32_t kClapParamRescanInfo = 1u << 2;
inline constexpr std::uint32_t kClapParamRescanAll = 1u << 3;

inline constexpr clap_log_severity kClapLogDebug = 0;
inline constexpr clap_log_severity kClapLogInfo = 1;
inline constexpr clap_log_severity kClapLogWarning = 2;
inline constexpr clap_log_severity kClapLogError = 3;
inline constexpr clap_log_severity kClapLogFatal = 4;
inline constexpr clap_log_severity kClapLogPluginMisbehaving = 6;

inline constexpr char kClapPluginFeatureInstrument[] = "instrument";

inline constexpr char kClapExtNotePorts[] = "clap.note-ports";

struct clap_note_port_info {
    clap_id id;
    std::uint32_t supported_dialects;
    std::uint32_t preferred_dialect;
    char name[kClapNameSize];
};

struct clap_plugin_note_ports {
    std::uint32_t(BRAMSOLIKET_CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(BRAMSOLIKET_CLAP_ABI* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                                    clap_note_port_info* info);
};

// The extensions of CLAP 1.2.10 not declared above, with the draft names of those that had
// one, as plug-ins built on older headers still answer them.
inline constexpr const char* kClapOtherPluginExtensions[] = {
    "clap.ambisonic/3",
    "clap.ambisonic.draft/3",
    "clap.audio-ports-activation/2",
    "clap.audio-ports-activation/draft-2",
    "clap.audio-ports-config",
    "clap.configurable-audio-ports/1",
    "clap.configurable-audio-ports.draft1",
    "clap.context-menu/1",
    "clap.context-menu.draft/0",
    "clap.note-name",
    "clap.param-indication/4",
    "clap.param-indication.draft/4",
    "clap.preset-load/2",
    "clap.preset-load.draft/2",
    "clap.remote-controls/2",
    "clap.remote-controls.draft/2",
    "clap.render",
    "clap.state-context/2",
    "clap.surround/4",
    "clap.surround.draft/4",
    "clap.tail",
    "clap.thread-pool",
    "clap.track-info/1",
    "clap.track-info.draft/1",
    "clap.voice-info",
};

}  // extern "C"

// ---- The layouts hosts expect ---------------------------------------------------------

namespace clap_layout {

enum class Abi { Wide, NarrowSystemV, NarrowWindows };
#if UINTPTR_MAX > 0xFFFFFFFFu
inline constexpr Abi kAbi = Abi::Wide;
#elif defined(_WIN32)
inline constexpr Abi kAbi = Abi::NarrowWindows;
#else
inline constexpr Abi kAbi = Abi::NarrowSystemV;
#endif

// The value for this build's layout; 32-bit Windows differs from 32-bit Linux only where a
// double or a 64-bit integer follows a 4-byte field.
constexpr std::size_t of(std::size_t wide, std::size_t narrow, std::size_t narrowWindows) {
    return kAbi == Abi::Wide ? wide : kAbi == Abi::NarrowWindows ? narrowWindows : narrow;
}
constexpr std::size_t of(std::size_t wide, std::size_t narrow) { return of(wide, narrow, narrow); }

static_assert(sizeof(bool) == 1, "the interface's bool is one byte");

static_assert(sizeof(clap_version) == 12);

static_assert(sizeof(clap_event_header) == 16);
static_assert(offsetof(clap_event_header, time) == 4 && offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, type) == 10 && offsetof(clap_event_header, flags) == 12);

static_assert(sizeof(clap_event_param_value) == of(56, 44, 48));
static_assert(offsetof(clap_event_param_value, param_id) == 16);
static_assert(offsetof(clap_event_param_value, cookie) == of(24, 20));
static_assert(offsetof(clap_event_param_value, note_id) == of(32, 24));
static_assert(offsetof(clap_event_param_value, port_index) == of(36, 28));
static_assert(offsetof(clap_event_param_value, channel) == of(38, 30));
static_assert(offsetof(clap_event_param_value, key) == of(40, 32));
static_assert(offsetof(clap_event_param_value, value) == of(48, 36, 40));

static_assert(sizeof(clap_event_param_gesture) == 20 && offsetof(clap_event_param_gesture, param_id) == 16);

static_assert(sizeof(clap_input_events) == of(24, 12) && offsetof(clap_input_events, get) == of(16, 8));
static_assert(sizeof(clap_output_events) == of(16, 8));

static_assert(sizeof(clap_audio_buffer) == of(32, 24));
static_assert(offsetof(clap_audio_buffer, data64) == of(8, 4) &&
              offsetof(clap_audio_buffer, channel_count) == of(16, 8) &&
              offsetof(clap_audio_buffer, latency) == of(20, 12) &&
              offsetof(clap_audio_buffer, constant_mask) == of(24, 16));

static_assert(sizeof(clap_process) == of(64, 40));
static_assert(offsetof(clap_process, frames_count) == 8 && offsetof(clap_process, transport) == of(16, 12) &&
              offsetof(clap_process, audio_inputs) == of(24, 16) &&
              offsetof(clap_process, audio_outputs) == of(32, 20) &&
              offsetof(clap_process, audio_inputs_count) == of(40, 24) &&
              offsetof(clap_process, audio_outputs_count) == of(44, 28) &&
              offsetof(clap_process, in_events) == of(48, 32) && offsetof(clap_process, out_events) == of(56, 36));

static_assert(sizeof(clap_host) == of(88, 48));
static_assert(offsetof(clap_host, host_data) == of(16, 12) && offsetof(clap_host, name) == of(24, 16) &&
              offsetof(clap_host, version) == of(48, 28) && offsetof(clap_host, get_extension) == of(56, 32) &&
              offsetof(clap_host, request_callback) == of(80, 44));

static_assert(sizeof(clap_plugin_descriptor) == of(88, 48));
static_assert(offsetof(clap_plugin_descriptor, id) == of(16, 12) &&
              offsetof(clap_plugin_descriptor, version) == of(64, 36) &&
              offsetof(clap_plugin_descriptor, features) == of(80, 44));

static_assert(sizeof(clap_plugin) == of(96, 48));
static_assert(offsetof(clap_plugin, plugin_data) == of(8, 4) && offsetof(clap_plugin, init) == of(16, 8) &&
              offsetof(clap_plugin, activate) == of(32, 16) && offsetof(clap_plugin, reset) == of(64, 32) &&
              offsetof(clap_plugin, process) == of(72, 36) && offsetof(clap_plugin, get_extension) == of(80, 40) &&
              offsetof(clap_plugin, on_main_thread) == of(88, 44));

static_assert(sizeof(clap_plugin_factory) == of(24, 12));
static_assert(sizeof(clap_plugin_entry) == of(40, 24));
static_assert(offsetof(clap_plugin_entry, init) == of(16, 12) && offsetof(clap_plugin_entry, get_factory) == of(32, 20));

static_assert(sizeof(clap_istream) == of(16, 8) && sizeof(clap_ostream) == of(16, 8));

static_assert(sizeof(clap_audio_port_info) == of(288, 276));
static_assert(offsetof(clap_audio_port_info, name) == 4 && offsetof(clap_audio_port_info, flags) == 260 &&
              offsetof(clap_audio_port_info, channel_count) == 264 &&
              offsetof(clap_audio_port_info, port_type) == of(272, 268) &&
              offsetof(clap_audio_port_info, in_place_pair) == of(280, 272));
static_assert(sizeof(clap_plugin_audio_ports) == of(16, 8));

static_assert(sizeof(clap_param_info) == of(1320, 1316, 1320));
static_assert(offsetof(clap_param_info, cookie) == 8 && offsetof(clap_param_info, name) == of(16, 12) &&
              offsetof(clap_param_info, module) == of(272, 268) &&
              offsetof(clap_param_info, min_value) == of(1296, 1292, 1296) &&
              offsetof(clap_param_info, max_value) == of(1304, 1300, 1304) &&
              offsetof(clap_param_info, default_value) == of(1312, 1308, 1312));
static_assert(sizeof(clap_plugin_params) == of(48, 24) && offsetof(clap_plugin_params, flush) == of(40, 20));
static_assert(sizeof(clap_plugin_state) == of(16, 8));
static_assert(sizeof(clap_plugin_latency) == of(8, 4));

static_assert(sizeof(clap_window) == of(16, 8) && offsetof(clap_window, x11) == of(8, 4));
static_assert(sizeof(clap_gui_resize_hints) == 12 && offsetof(clap_gui_resize_hints, preserve_aspect_ratio) == 2 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4);
static_assert(sizeof(clap_plugin_gui) == of(120, 60) && offsetof(clap_plugin_gui, set_parent) == of(80, 40) &&
              offsetof(clap_plugin_gui, hide) == of(112, 56));
static_assert(sizeof(clap_plugin_posix_fd_support) == of(8, 4) && sizeof(clap_plugin_timer_support) == of(8, 4));

static_assert(sizeof(clap_host_thread_check) == of(16, 8));
static_assert(sizeof(clap_host_gui) == of(40, 20));
static_assert(sizeof(clap_host_posix_fd_support) == of(24, 12) && sizeof(clap_host_timer_support) == of(16, 8));
static_assert(sizeof(clap_host_params) == of(24, 12));
static_assert(sizeof(clap_host_log) == of(8, 4));

static_assert(sizeof(clap_note_port_info) == 268 && offsetof(clap_note_port_info, name) == 12);
static_assert(sizeof(clap_plugin_note_ports) == of(16, 8));

}  // namespace clap_layout
