# Package set-up shared by the scripts that install with apt-get (POSIX sh,
# sourced: . tools/lib/apt.sh).
#
# A mirror in the middle of a sync serves some package index that does not
# match its release file ("File has unexpected size ... Mirror sync in
# progress?"): apt-get update then exits non-zero although every other index
# was fetched. That is a warning here: the set-up goes on with the lists apt
# has, and fails only when a package it needs cannot be found or installed,
# naming that package.
#
#   apt_update                   refreshes apt's package lists; never fails
#   apt_install PACKAGE...       installs; fails naming every package that cannot be installed
#   apt_download PACKAGE...      downloads .debs into the current folder; the same
#   apt_missing PACKAGE...       prints the packages of the list that are not installed
#
# Messages start with "$apt_who: " (default: the calling script's name).
# apt_install and apt_update run apt-get as root: directly when this is root,
# else through sudo.

apt_who=${apt_who:-$(basename "$0")}

apt_as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

apt_missing() {
    for apt_p in "$@"; do
        case "$(dpkg-query -W -f='${Status}' "$apt_p" 2>/dev/null || true)" in
            *"ok installed"*) ;;
            *) echo "$apt_p" ;;
        esac
    done
}

apt_update() {
    apt_log=$(mktemp)
    if apt_as_root apt-get -o DPkg::Lock::Timeout=300 update -qq >"$apt_log" 2>&1; then
        cat "$apt_log"
    else
        apt_status=$?
        sed 's/^/    /' "$apt_log" >&2
        echo "$apt_who: warning: apt-get update exited with $apt_status (some package index could not be fetched);" \
            "going on with the package lists apt has" >&2
    fi
    rm -f "$apt_log"
    return 0
}

# apt_each VERB PACKAGE...: apt-get VERB for all the packages; when that fails,
# for each one alone, to name those that cannot be had.
apt_each() {
    apt_verb=$1
    shift
    if apt_run "$apt_verb" "$@" >/dev/null; then
        return 0
    fi
    apt_failed=""
    for apt_p in "$@"; do
        apt_run "$apt_verb" "$apt_p" >/dev/null 2>&1 || apt_failed="$apt_failed $apt_p"
    done
    # Each one alone worked: they cannot be had together.
    [ -n "$apt_failed" ] || apt_failed=" $*"
    echo "$apt_who: cannot $apt_verb:$apt_failed" >&2
    return 1
}

apt_run() {
    case "$1" in
        install) shift; apt_as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 \
                     install -y -qq --no-install-recommends "$@" ;;
        download) shift; apt-get download -qq "$@" ;;
    esac
}

apt_install() { apt_each install "$@"; }
apt_download() { apt_each download "$@"; }
