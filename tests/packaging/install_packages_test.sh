#!/usr/bin/env bash
# Makes the Debian packages of a built tree, checks them as Debian's tools
# do, installs them with apt as an operator would, runs the installed
# programs, and removes them again, leaving the machine as it was.
#   install_packages_test.sh SOURCE-DIR BUILD-DIR
# Needs root and apt; exits 77 (skipped) without them.
set -euo pipefail
source_dir=$1
build_dir=$2

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

[ "$(id -u)" -eq 0 ] || skip "installing packages needs root"
command -v apt-get > /dev/null || skip "no apt-get here"
for package in solwire solwire-cli; do
  installed "$package" && skip "$package is installed on this machine; the test leaves it alone"
done

work=$(mktemp -d /tmp/solwire-packages.XXXXXX)
chmod 755 "$work"  # apt reads local packages as its own unprivileged user
user_existed=no
getent passwd solwire > /dev/null && user_existed=yes
sim_pid=

cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null || true
  if installed solwire || installed solwire-cli; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq solwire solwire-cli > /dev/null 2>&1 || true
  fi
  rm -f /etc/solwire/pkgtest.conf
  rmdir /etc/solwire 2> /dev/null || true
  if [ "$user_existed" = no ] && getent passwd solwire > /dev/null; then
    deluser --quiet --system solwire > /dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "-- $*"; }

step "making the packages"
"$source_dir/scripts/make-packages.sh" "$build_dir" "$work/out" > /dev/null
cli_deb=$(ls "$work"/out/solwire-cli_*.deb)
desktop_deb=$(ls "$work"/out/solwire_*.deb 2> /dev/null || true)
[ -n "$desktop_deb" ] || fail "no desktop package was made"
version=$(dpkg-deb -f "$cli_deb" Version)
[ "$version" = "$(dpkg-deb -f "$desktop_deb" Version)" ] || fail "the two packages carry different versions"

step "the command-line package stands alone on a headless box"
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
echo "   Depends: $cli_depends"
if grep -Eiq 'qt|libx11|libgl|xcb' <<< "$cli_depends"; then
  fail "solwire-cli depends on a display library: $cli_depends"
fi
grep -q 'libmosquitto' <<< "$cli_depends" || fail "solwire-cli's dependencies were not read from its binary"
grep -q 'libqt6widgets' <<< "$(dpkg-deb -f "$desktop_deb" Depends)" || fail "solwire does not depend on Qt Widgets"

step "lintian"
lintian --fail-on error "$cli_deb" "$desktop_deb" \
  | tee "$work/lintian.txt" || fail "lintian reports errors"

step "desktop entry and metainfo"
dpkg-deb -x "$desktop_deb" "$work/desktop"
desktop-file-validate "$work"/desktop/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$work"/desktop/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$work"/desktop/usr/share/metainfo/*.metainfo.xml \
  || fail "the metainfo lists no release $version"

step "installing with apt"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$cli_deb" "$desktop_deb" \
  > "$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "apt-get install"; }

step "the installed programs"
help=$(/usr/bin/solwire-cli --help) || fail "solwire-cli --help"
grep -q 'log' <<< "$help" || fail "solwire-cli --help lists no log command"
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/solwire --version) \
  || fail "solwire --version without a display"
grep -qF "$version" <<< "$shown" || fail "solwire --version says '$shown', the package is $version"
/usr/bin/solwire-sim --sites 0:2 --link "$work/line" > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/line" ] && break; sleep 0.1; done
reading=$(/usr/bin/solwire-cli read --port "$work/line" --site 0 current --json) \
  || fail "solwire-cli read from the installed solwire-sim"
grep -q '"battery_voltage_reading"' <<< "$reading" || fail "no reading: $reading"
kill "$sim_pid"
wait "$sim_pid" 2> /dev/null || true
sim_pid=

step "installed files"
[ -f /usr/share/solwire/helpengc.rtf ] || fail "the help documents are missing"
grep -q 'usr/share/man/man1/solwire-cli.1.gz' <<< "$(dpkg-deb -c "$cli_deb")" || fail "solwire-cli carries no manual page"
# A machine whose dpkg leaves out manual pages (path-exclude, as container images do) has none to find.
verify_man=yes
if grep -qs '^path-exclude[= ]*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
  verify_man=no
else
  man -w solwire-cli > /dev/null || fail "man solwire-cli finds no page"
fi
getent passwd solwire > /dev/null || fail "no service user"
id -nG solwire | tr ' ' '\n' | grep -qx dialout || fail "the service user is not in dialout"
dpkg-query -W -f='${Conffiles}' solwire-cli | grep -q '/etc/solwire/example.conf' \
  || fail "the example configuration is not a configuration file of the package"

step "the logger's command line, as its service starts it"
# The options file's variable, split at white space as systemd splits an
# unbraced \$VARIABLE, run as the service user in a folder of its own.
printf 'LOG_OPTIONS=--port sim --site 1 --once --file LOG.RTF --csv log.csv\n' > /etc/solwire/pkgtest.conf
options=$(sed -n 's/^LOG_OPTIONS=//p' /etc/solwire/pkgtest.conf)
command=$(sed -n 's/^ExecStart=//p' /lib/systemd/system/solwire-log@.service)
command=${command/\$LOG_OPTIONS/$options}
mkdir "$work/state"
chown solwire:solwire "$work/state"
# shellcheck disable=SC2086  # split on purpose
(cd "$work/state" && runuser -u solwire -- $command) || fail "the service's command line: $command"
grep -q '^[0-9-]*T[0-9:+-]*,1,[0-9]' "$work/state/log.csv" || fail "the service's sample is not in log.csv"
[ -s "$work/state/LOG.RTF" ] || fail "the service's sample is not in LOG.RTF"
rm -f /etc/solwire/pkgtest.conf

if command -v systemd-analyze > /dev/null; then
  step "systemd-analyze verify"
  printf 'LOG_OPTIONS=--port /dev/null --site 0 --file LOG.RTF\nWATCH_OPTIONS=--port /dev/null --sites 0\n' \
    > /etc/solwire/pkgtest.conf
  for unit in solwire-log@pkgtest.service solwire-watch@pkgtest.service; do
    systemd-analyze verify --man="$verify_man" "$unit" 2>&1 | tee "$work/verify.txt"
    [ ! -s "$work/verify.txt" ] || fail "systemd-analyze verify $unit"
  done
  rm -f /etc/solwire/pkgtest.conf
else
  step "systemd-analyze is not here; the units are not verified"
fi

step "removing"
DEBIAN_FRONTEND=noninteractive apt-get purge -y solwire solwire-cli > "$work/purge.log" 2>&1 \
  || { cat "$work/purge.log" >&2; fail "apt-get purge"; }
for path in /usr/bin/solwire /usr/bin/solwire-cli /usr/bin/solwire-sim /usr/share/solwire \
            /lib/systemd/system/solwire-log@.service /etc/solwire; do
  [ ! -e "$path" ] || fail "$path is left after the purge"
done
installed solwire-cli && fail "solwire-cli is still installed"
getent passwd solwire > /dev/null || fail "the purge removed the service user, which Debian keeps"

echo "Packages $version made, checked, installed, run and removed"
