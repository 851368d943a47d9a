# korsim-start.sh - sourced by the test wrappers that run programs on
# simulated boards (POSIX sh).
#
# korsim_start KORSIMS CONFIG DIR
#   KORSIMS: candidate paths of korsim separated by ':', the first one found
#   is used (the simulator is a Linux program, also for the Windows builds).
#   Starts it on CONFIG on a free loopback port (port file and log in DIR),
#   exports KOR_SIM and sets korsim_pid. Returns 1 with a message when there
#   is no korsim or it did not come up.
korsim_start() {
    _korsims=$1 _cfg=$2 _dir=$3
    _korsim=
    _ifs=$IFS
    IFS=:
    for _k in $_korsims; do
        if [ -n "$_k" ] && [ -x "$_k" ]; then _korsim=$_k; break; fi
    done
    IFS=$_ifs
    if [ -z "$_korsim" ]; then
        echo "no korsim in $_korsims (build a Linux tree's korsim first)" >&2
        return 1
    fi
    rm -f "$_dir/port"
    "$_korsim" --config "$_cfg" --port 0 --port-file "$_dir/port" >"$_dir/korsim.log" 2>&1 &
    korsim_pid=$!
    _i=0
    while [ ! -s "$_dir/port" ] && [ $_i -lt 100 ] && kill -0 "$korsim_pid" 2>/dev/null; do
        sleep 0.1; _i=$((_i + 1))
    done
    if [ ! -s "$_dir/port" ]; then
        echo "korsim did not start on $_cfg" >&2
        cat "$_dir/korsim.log" >&2
        kill "$korsim_pid" 2>/dev/null
        wait "$korsim_pid" 2>/dev/null
        korsim_pid=
        return 1
    fi
    KOR_SIM=127.0.0.1:$(head -n 1 "$_dir/port")
    export KOR_SIM
}

# korsim_stop: ends the simulator that korsim_start started.
korsim_stop() {
    if [ -n "${korsim_pid:-}" ]; then
        kill "$korsim_pid" 2>/dev/null
        wait "$korsim_pid" 2>/dev/null
        korsim_pid=
    fi
}
