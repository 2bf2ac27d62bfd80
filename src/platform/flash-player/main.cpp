// saver-flash-player: plays Flash movies for the Linux Flash control with
// Ruffle's web build inside a WebKitGTK view. The saver starts it, talks to
// it in JSON lines on standard input and output (platform/FlashPlayerProtocol.h)
// and has it move its window into the saver's window; the window never takes
// the keyboard or the pointer, so the saver's exit rules see all input. The
// player ends when its standard input does (the saver closed it or ended).
//
// Usage: saver-flash-player --data DIR
//   DIR holds index.html, player.js and ruffle/ (Ruffle's files); the page
//   and Ruffle are served from there through the "saver" scheme only.

#include "core/Error.h"
#include "platform/FlashPlayerProtocol.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

using saver::JsonLine;

void Answer(const JsonLine& line);

struct Player {
    std::filesystem::path Data;
    GtkWidget* Toplevel = nullptr;
    WebKitWebView* View = nullptr;
    std::string MoviePath; // the file behind saver://player/movie/<id>.swf
    int64_t MovieId = 0;
    ::Window Parent = 0;
    saver::PendingCommands Page{[this](const JsonLine& command) { ToPage(command); }};

    void ToPage(const JsonLine& command) const
    {
        const std::string script = "saverCommand(" + command.Format() + ");";
        webkit_web_view_evaluate_javascript(View, script.c_str(), gssize(script.size()), nullptr, "saver://player/",
                                            nullptr, CommandDone, nullptr);
    }

    // A command the page could not run is a failure of the player.
    static void CommandDone(GObject* view, GAsyncResult* result, gpointer)
    {
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
        if (value)
            g_object_unref(value);
        if (error) {
            Answer(saver::ErrorAnswer(std::string("The player's page failed a command: ") + error->message));
            g_error_free(error);
        }
    }
};

void Answer(const JsonLine& line)
{
    std::fputs((line.Format() + "\n").c_str(), stdout);
    std::fflush(stdout);
}

const char* ContentType(const std::filesystem::path& path)
{
    const std::string ext = path.extension().string();
    if (ext == ".html")
        return "text/html";
    if (ext == ".js")
        return "text/javascript";
    if (ext == ".wasm")
        return "application/wasm";
    if (ext == ".swf")
        return "application/x-shockwave-flash";
    if (ext == ".map" || ext == ".json")
        return "application/json";
    return "application/octet-stream";
}

// saver://player/<name>: the page, its script, Ruffle's files, and the
// movie loaded last. Nothing else is served, nothing outside DIR but that
// movie.
void ServeRequest(WebKitURISchemeRequest* request, gpointer data)
{
    Player& player = *static_cast<Player*>(data);
    const std::string uri = webkit_uri_scheme_request_get_uri(request);
    const std::string prefix = "saver://player/";
    std::filesystem::path file;
    if (uri.rfind(prefix, 0) == 0) {
        const std::string name = uri.substr(prefix.size());
        const std::string movie = "movie/" + std::to_string(player.MovieId) + ".swf";
        if (name == movie && !player.MoviePath.empty())
            file = player.MoviePath;
        else if (name == "index.html" || name == "player.js")
            file = player.Data / name;
        else if (name.rfind("ruffle/", 0) == 0 && name.find("..") == std::string::npos &&
                 name.find('?') == std::string::npos && name.find('/', 7) == std::string::npos)
            file = player.Data / name;
    }
    GError* error = nullptr;
    GFile* gfile = file.empty() ? nullptr : g_file_new_for_path(file.c_str());
    GFileInputStream* stream = gfile ? g_file_read(gfile, nullptr, &error) : nullptr;
    if (!stream) {
        if (error)
            g_error_free(error);
        error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found: %s", uri.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        if (gfile)
            g_object_unref(gfile);
        return;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(G_INPUT_STREAM(stream), ec ? -1 : gint64(size));
    // The type goes in the headers as well: WebAssembly's streaming compiler
    // looks there for application/wasm.
    webkit_uri_scheme_response_set_content_type(response, ContentType(file));
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Content-Type", ContentType(file));
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_response_set_status(response, 200, "OK");
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_object_unref(gfile);
}

void OnPageMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data)
{
    Player& player = *static_cast<Player*>(data);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    char* text = jsc_value_to_string(value);
    try {
        const JsonLine message = JsonLine::Parse(text);
        if (message.String("event") == "ready")
            player.Page.SetReady();
        else
            Answer(message);
    } catch (const saver::Exception& e) {
        Answer(saver::ErrorAnswer(std::string("The page said something unreadable: ") + e.what()));
    }
    g_free(text);
}

// Only the player's own page is ever shown: links, redirects and new windows
// go nowhere.
gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer)
{
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        webkit_policy_decision_use(decision);
        return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (uri && std::strcmp(uri, "saver://player/index.html") == 0) {
            webkit_policy_decision_use(decision);
            return TRUE;
        }
    }
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean OnPageFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer)
{
    Answer(saver::ErrorAnswer(std::string("The player's page ") + uri + " did not load: " + error->message));
    return TRUE;
}

void OnWebProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer)
{
    Answer(saver::ErrorAnswer("The web process of the Flash player ended"));
    gtk_main_quit();
}

// Moves the window into the saver's window (an X window of another
// process, which GDK knows nothing of), sizes it and shows or hides it.
void Place(Player& player, const JsonLine& command)
{
    GdkWindow* gdk = gtk_widget_get_window(player.Toplevel);
    Display* display = GDK_WINDOW_XDISPLAY(gdk);
    const ::Window self = GDK_WINDOW_XID(gdk);
    const auto parent = ::Window(*command.Number("parent"));
    const int x = int(std::lround(*command.Number("x")));
    const int y = int(std::lround(*command.Number("y")));
    const int width = std::max(1, int(std::lround(*command.Number("width"))));
    const int height = std::max(1, int(std::lround(*command.Number("height"))));
    const bool visible = *command.Flag("visible") && parent != 0;
    if (!visible)
        gtk_widget_hide(player.Toplevel);
    if (parent != 0 && parent != player.Parent) {
        gdk_x11_display_error_trap_push(gdk_window_get_display(gdk));
        XReparentWindow(display, self, parent, x, y);
        XSync(display, False);
        if (gdk_x11_display_error_trap_pop(gdk_window_get_display(gdk)) != 0) {
            Answer(saver::ErrorAnswer("The saver's window " + std::to_string(parent) + " cannot take the player"));
            return;
        }
        player.Parent = parent;
    }
    gtk_window_resize(GTK_WINDOW(player.Toplevel), width, height);
    if (visible)
        gtk_widget_show_all(player.Toplevel);
    XMoveResizeWindow(display, self, x, y, unsigned(width), unsigned(height));
    XFlush(display);
}

gboolean OnInput(GIOChannel* channel, GIOCondition condition, gpointer data)
{
    Player& player = *static_cast<Player*>(data);
    if (condition & G_IO_IN) {
        gchar* line = nullptr;
        gsize length = 0;
        const GIOStatus status = g_io_channel_read_line(channel, &line, &length, nullptr, nullptr);
        if (status == G_IO_STATUS_NORMAL && line) {
            const saver::PlayerCommand read = saver::ReadPlayerCommand(std::string_view(line, length));
            g_free(line);
            if (read.Error) {
                Answer(*read.Error);
            } else {
                const JsonLine& command = *read.Command;
                const std::string name = *command.String("cmd");
                if (name == "place") {
                    Place(player, command);
                } else if (name == "load") {
                    player.MoviePath = *command.String("path");
                    player.MovieId = int64_t(command.Number("id").value_or(double(player.MovieId + 1)));
                    JsonLine toPage;
                    toPage.Set("cmd", "load")
                        .Set("url", "saver://player/movie/" + std::to_string(player.MovieId) + ".swf")
                        .Set("id", player.MovieId);
                    player.Page.Submit(toPage);
                } else {
                    player.Page.Submit(command);
                }
            }
            return TRUE;
        }
        g_free(line);
        if (status == G_IO_STATUS_AGAIN)
            return TRUE;
    }
    // The saver closed its end, or ended.
    gtk_main_quit();
    return FALSE;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path data;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--data") == 0)
            data = argv[i + 1];
    if (data.empty()) {
        std::cerr << "usage: saver-flash-player --data DIR" << std::endl;
        return 2;
    }
    // Software drawing without compositing: the cheapest path on a machine
    // without a GPU, and the one measured to keep up with the movies.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 1);
    // Ruffle is 14 MB of WebAssembly. JavaScriptCore's optimising tier
    // recompiles its hot functions in the background while the first movie
    // starts; without it the first frame came in about 4 s instead of 7.5 on
    // a busy two-core machine, at the same cost a frame for our movies.
    // JSC_useOMGJIT=true in the environment brings it back.
    setenv("JSC_useOMGJIT", "false", 0);
    // Mesa's complaints about a display without direct rendering are noise
    // on the saver's standard error.
    setenv("EGL_LOG_LEVEL", "fatal", 0);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
        Answer(saver::ErrorAnswer("The Flash player cannot open the display"));
        return 1;
    }

    Player player;
    player.Data = data;

    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    // The web process crashed under a bare C.UTF-8 locale: name the language.
    const gchar* const languages[] = {"en-US", nullptr};
    webkit_web_context_set_preferred_languages(context, languages);
    webkit_web_context_register_uri_scheme(context, "saver", ServeRequest, &player, nullptr);
    webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context), "saver");

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler(content, "saver");
    g_signal_connect(content, "script-message-received::saver", G_CALLBACK(OnPageMessage), &player);

    player.View = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager",
                                               content, nullptr));
    WebKitSettings* settings = webkit_web_view_get_settings(player.View);
    webkit_settings_set_enable_javascript(settings, TRUE);
    // Movies start without a click, sound included.
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // Standard output carries the protocol: the page's console stays out of it.
    webkit_settings_set_enable_write_console_messages_to_stdout(settings, FALSE);
    const GdkRGBA black = {0, 0, 0, 1};
    webkit_web_view_set_background_color(player.View, &black);
    g_signal_connect(player.View, "decide-policy", G_CALLBACK(OnDecidePolicy), nullptr);
    g_signal_connect(player.View, "load-failed", G_CALLBACK(OnPageFailed), nullptr);
    g_signal_connect(player.View, "web-process-terminated", G_CALLBACK(OnWebProcessEnded), nullptr);

    // A bare window that takes no focus and lets the pointer through: its
    // input region is empty, so clicks and moves reach the saver's window.
    player.Toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(player.Toplevel), FALSE);
    gtk_window_set_accept_focus(GTK_WINDOW(player.Toplevel), FALSE);
    gtk_window_set_focus_on_map(GTK_WINDOW(player.Toplevel), FALSE);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(player.Toplevel), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(player.Toplevel), 640, 480);
    gtk_container_add(GTK_CONTAINER(player.Toplevel), GTK_WIDGET(player.View));
    gtk_widget_realize(player.Toplevel);
    cairo_region_t* none = cairo_region_create();
    gtk_widget_input_shape_combine_region(player.Toplevel, none);
    cairo_region_destroy(none);

    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnInput, &player);

    webkit_web_view_load_uri(player.View, "saver://player/index.html");
    gtk_main();

    g_io_channel_unref(input);
    gtk_widget_destroy(player.Toplevel);
    g_object_unref(content);
    g_object_unref(context);
    return 0;
}
