# Shared by the screenshot scripts (sourced, not run): a fresh user under Xvfb, waiting for a
# window by its title, and photographing the main window with a margin.

# Re-runs the calling script under Xvfb when there is no display.
need_display() {
    if [ -z "${DISPLAY:-}" ]; then
        exec xvfb-run -a -s "-screen 0 1600x1000x24" "$@"
    fi
}

# A fresh home and XDG folders, removed (and the program in $PID stopped) on exit.
fresh_user() {
    HOME=$(mktemp -d)
    export HOME XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config
    trap 'kill "${PID:-0}" 2>/dev/null || true; rm -rf "$HOME"' EXIT
}

# Prints the id of the first visible window whose title matches $1, trying $2 times 0.1 s apart;
# prints nothing when none appeared.
wait_for_window() {
    local id=""
    for _ in $(seq 1 "$2"); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && break
        sleep 0.1
    done
    echo "$id"
}

# Moves the pointer off the menus and writes the window at X, Y, WIDTH, HEIGHT to $1.
photograph() {
    xdotool mousemove $((X + 400)) $((Y + 300))
    sleep 0.5
    import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$((X - 20))+$((Y - 20))" +repage "$1"
}
