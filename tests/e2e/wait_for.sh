# Polls until the command succeeds, for up to ten seconds.
wait_for() {
    local tries=100
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}
