#!/usr/bin/env bash
# Runs a command with a private PostgreSQL server on loopback: a fresh data folder, an
# unprivileged owner, a free port. QZ_TEST_PG_URL tells the command where the server is.
# The server is stopped and its folder removed when the command ends.
#
#   scripts/with-postgres.sh COMMAND [ARGS...]
#
# Run as root (CI), the server runs as the "postgres" user of Debian's package; run as a
# developer, it runs as that developer. Authentication is "trust" and the server listens on
# 127.0.0.1 and on a socket inside its temporary folder only: for tests, never for data.
# When QZ_TEST_PG_URL is set already, that server is used and none is started.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

if [ -n "${QZ_TEST_PG_URL:-}" ]; then
    exec "$@"
fi

pgbin=${QZ_PG_BIN:-}
if [ -z "$pgbin" ]; then
    for d in /usr/lib/postgresql/*/bin; do
        [ -x "$d/initdb" ] && pgbin=$d
    done
fi
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
    echo "with-postgres.sh: PostgreSQL server programs not found (scripts/install-deps.sh installs them)" >&2
    exit 1
fi

# The server refuses to run as root: as root, hand it to the package's unprivileged user.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    owner=postgres
    if ! id "$owner" >/dev/null 2>&1; then
        echo "with-postgres.sh: user \"$owner\" is missing (it comes with the postgresql package)" >&2
        exit 1
    fi
    as_owner=(runuser -u "$owner" --)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/qz-pg.XXXXXX")
chmod 700 "$work"
if [ ${#as_owner[@]} -gt 0 ]; then
    chown "$owner" "$work"
fi
data=$work/data
started=0

cleanup() {
    local status=$?
    if [ "$started" -eq 1 ]; then
        "${as_owner[@]}" "$pgbin/pg_ctl" -D "$data" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"${as_owner[@]}" "$pgbin/initdb" -D "$data" -U qz_test -A trust -E UTF8 --no-locale \
    >"$work/initdb.log" 2>&1 || {
    cat "$work/initdb.log" >&2
    echo "with-postgres.sh: initdb failed" >&2
    exit 1
}

port_in_use() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 30000))
    port_in_use "$port" && continue
    if "${as_owner[@]}" "$pgbin/pg_ctl" -D "$data" -l "$work/server.log" -w -t 30 \
        -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
        started=1
        break
    fi
done
if [ "$started" -ne 1 ]; then
    cat "$work/server.log" >&2 || true
    echo "with-postgres.sh: the server did not start" >&2
    exit 1
fi

export QZ_TEST_PG_URL="postgresql://qz_test@127.0.0.1:$port/postgres"
echo "with-postgres.sh: PostgreSQL at $QZ_TEST_PG_URL" >&2
set +e
"$@"
status=$?
set -e
exit "$status"
