/* The application the operator's desktop tests read and act on: a window with a button, an entry,
 * a password entry, an entry that hands its focus on to the password entry, a multi-line text view
 * and a long list; with --dialog also a dialog of a few static texts. It writes one line on its
 * standard output for each thing that reaches it, so a test reads what arrived:
 *   ready PID                     the main window is on the screen
 *   pressed LABEL                 a button was pressed
 *   entry TEXT, text TEXT         the entry's or the text view's whole text after a change
 *   password LENGTH               the password entry changed (its text is never written)
 *   key MODIFIERS+NAME            a key pressed with Control or Alt held, such as "control+shift+a"
 *   scrolled ROW                  the list's first row on the screen after a scroll
 * Texts are written with backslash, carriage return and line feed escaped as \\, \r and \n.
 * The entries are named "Message", "Secret", "Hand on" and the text view "Notes" for the
 * accessibility bus; pressing "Hide" turns "Message" into a password entry.
 * Options: --rows N (the list's rows, 60 by default), --dialog, --title TITLE, --focus-secret. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int rows = 60;
static GtkWidget *password;

static void say(const char *kind, const char *text) {
    GString *line = g_string_new(kind);
    if (text) {
        g_string_append_c(line, ' ');
        for (const char *c = text; *c; ++c) {
            if (*c == '\\') g_string_append(line, "\\\\");
            else if (*c == '\n') g_string_append(line, "\\n");
            else if (*c == '\r') g_string_append(line, "\\r");
            else g_string_append_c(line, *c);
        }
    }
    printf("%s\n", line->str);
    fflush(stdout);
    g_string_free(line, TRUE);
}

static void pressed(GtkButton *button, gpointer unused) {
    (void)unused;
    say("pressed", gtk_button_get_label(button));
}

static void entryChanged(GtkEditable *editable, gpointer unused) {
    (void)unused;
    say("entry", gtk_entry_get_text(GTK_ENTRY(editable)));
}

static void passwordChanged(GtkEditable *editable, gpointer unused) {
    (void)unused;
    char length[32];
    snprintf(length, sizeof length, "%u", gtk_entry_get_text_length(GTK_ENTRY(editable)));
    say("password", length);
}

static void textChanged(GtkTextBuffer *buffer, gpointer unused) {
    (void)unused;
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    char *text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    say("text", text);
    g_free(text);
}

static gboolean focusPassword(gpointer unused) {
    (void)unused;
    gtk_widget_grab_focus(password);
    return G_SOURCE_REMOVE;
}

static gboolean handOnFocus(GtkWidget *widget, GdkEvent *event, gpointer unused) {
    (void)widget, (void)event, (void)unused;
    g_idle_add(focusPassword, NULL);
    return FALSE;
}

static gboolean keyPressed(GtkWidget *widget, GdkEventKey *event, gpointer unused) {
    (void)widget, (void)unused;
    if (!(event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK))) return FALSE;
    GString *line = g_string_new("");
    if (event->state & GDK_CONTROL_MASK) g_string_append(line, "control+");
    if (event->state & GDK_MOD1_MASK) g_string_append(line, "alt+");
    if (event->state & GDK_SHIFT_MASK) g_string_append(line, "shift+");
    g_string_append(line, gdk_keyval_name(gdk_keyval_to_lower(event->keyval)));
    say("key", line->str);
    g_string_free(line, TRUE);
    return TRUE;
}

static void scrolled(GtkAdjustment *adjustment, gpointer unused) {
    (void)unused;
    const double rowHeight = gtk_adjustment_get_upper(adjustment) / rows;
    char row[32];
    snprintf(row, sizeof row, "%.0f", rowHeight > 0 ? gtk_adjustment_get_value(adjustment) / rowHeight : 0.0);
    say("scrolled", row);
}

static gboolean shown(GtkWidget *widget, GdkEvent *event, gpointer unused) {
    (void)widget, (void)event, (void)unused;
    char pid[32];
    snprintf(pid, sizeof pid, "%d", (int)getpid());
    say("ready", pid);
    return FALSE;
}

static void name(GtkWidget *widget, const char *accessibleName) {
    atk_object_set_name(gtk_widget_get_accessible(widget), accessibleName);
}

static void hide(GtkButton *button, gpointer entry) {
    (void)button;
    gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
    say("hidden", NULL);
}

static GtkWidget *button(const char *label) {
    GtkWidget *made = gtk_button_new_with_label(label);
    g_signal_connect(made, "clicked", G_CALLBACK(pressed), NULL);
    return made;
}

static GtkWidget *list(void) {
    GtkWidget *box = gtk_list_box_new();
    for (int i = 1; i <= rows; ++i) {
        char name[32];
        snprintf(name, sizeof name, "Row %d", i);
        gtk_container_add(GTK_CONTAINER(box), gtk_label_new(name));
    }
    GtkWidget *scroller = gtk_scrolled_window_new(NULL, NULL);
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_container_add(GTK_CONTAINER(scroller), box);
    g_signal_connect(gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(scroller)), "value-changed",
                     G_CALLBACK(scrolled), NULL);
    return scroller;
}

static void showDialog(GtkWindow *parent) {
    GtkWidget *dialog = gtk_dialog_new_with_buttons("Confirm", parent, GTK_DIALOG_DESTROY_WITH_PARENT, NULL, NULL);
    GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_add(GTK_CONTAINER(content), gtk_label_new("Delete the draft?"));
    gtk_container_add(GTK_CONTAINER(content), gtk_label_new("It cannot be brought back."));
    gtk_container_add(GTK_CONTAINER(content), button("Delete"));
    gtk_widget_show_all(dialog);
}

int main(int argc, char **argv) {
    const char *title = "Operated";
    int dialog = 0;
    int focusSecret = 0;
    gtk_init(&argc, &argv);
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--rows") == 0 && i + 1 < argc) rows = atoi(argv[++i]);
        else if (strcmp(argv[i], "--dialog") == 0) dialog = 1;
        else if (strcmp(argv[i], "--title") == 0 && i + 1 < argc) title = argv[++i];
        else if (strcmp(argv[i], "--focus-secret") == 0) focusSecret = 1;
    }

    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 600);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    g_signal_connect(window, "key-press-event", G_CALLBACK(keyPressed), NULL);
    g_signal_connect(window, "map-event", G_CALLBACK(shown), NULL);

    GtkWidget *column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_container_add(GTK_CONTAINER(window), column);
    gtk_container_add(GTK_CONTAINER(column), button("Send"));

    GtkWidget *entry = gtk_entry_new();
    name(entry, "Message");
    g_signal_connect(entry, "changed", G_CALLBACK(entryChanged), NULL);
    gtk_container_add(GTK_CONTAINER(column), entry);
    GtkWidget *hider = gtk_button_new_with_label("Hide");
    g_signal_connect(hider, "clicked", G_CALLBACK(hide), entry);
    gtk_container_add(GTK_CONTAINER(column), hider);

    password = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(password), FALSE);
    name(password, "Secret");
    g_signal_connect(password, "changed", G_CALLBACK(passwordChanged), NULL);
    gtk_container_add(GTK_CONTAINER(column), password);

    GtkWidget *handOn = gtk_entry_new();
    name(handOn, "Hand on");
    g_signal_connect(handOn, "changed", G_CALLBACK(entryChanged), NULL);
    g_signal_connect(handOn, "focus-in-event", G_CALLBACK(handOnFocus), NULL);
    gtk_container_add(GTK_CONTAINER(column), handOn);

    GtkWidget *view = gtk_text_view_new();
    gtk_widget_set_size_request(view, -1, 80);
    name(view, "Notes");
    g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "changed", G_CALLBACK(textChanged), NULL);
    gtk_container_add(GTK_CONTAINER(column), view);

    gtk_container_add(GTK_CONTAINER(column), list());

    gtk_widget_show_all(window);
    if (focusSecret) gtk_widget_grab_focus(password);
    if (dialog) showDialog(GTK_WINDOW(window));
    gtk_main();
    return 0;
}
