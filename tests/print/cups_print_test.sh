#!/usr/bin/env bash
# Prints a data report in English and in Chinese through Solwire's print path
# to the default printer of a private CUPS server, and finds each report's
# header in the PDF the printer writes.
#
#   cups_print_test.sh PRINT_REPORT_TOOL
#
# The server runs from a private directory with its own socket, so the
# machine's print system is neither used nor changed. Its default printer:
#   - run as root: a cups-pdf queue. The cups-pdf backend runs as root (its
#     mode is 0700) and reads its settings from /etc/cups/cups-pdf-QUEUE.conf,
#     chosen by the device URI cups-pdf:/QUEUE; that file, naming the private
#     output folder, is written for the run and removed afterwards. cups-pdf
#     takes PostScript and makes a new PDF of it; made by pdftocairo the
#     PostScript keeps what Latin text is (Ghostscript's keeps none), but no
#     converter keeps it for the Chinese glyphs. So the English report's text
#     is looked for, and for the Chinese one the PDF that cups-pdf names after
#     the job's title "KVRD 数据印出".
#   - run as another user: the cups-pdf backend cannot run, so the queue is a
#     raw one whose backend, a script of this test, copies each job as it
#     comes (the PDF Solwire made) into the output folder, where both
#     reports' text is looked for.
# Exit 77 (skipped) when cupsd is not installed.
set -euo pipefail

tool=${1:?usage: cups_print_test.sh PRINT_REPORT_TOOL}
cupsd=$(command -v cupsd || true)
[ -z "$cupsd" ] && [ -x /usr/sbin/cupsd ] && cupsd=/usr/sbin/cupsd
if [ -z "$cupsd" ]; then
  echo "cupsd is not installed (package cups): skipped"
  exit 77
fi
lpadmin=$(command -v lpadmin || echo /usr/sbin/lpadmin)
for needed in pdftotext "$lpadmin"; do
  command -v "$needed" >/dev/null || { echo "missing: $needed (scripts/setup.sh installs it)"; exit 1; }
done

# A short path: the socket's name must fit in 108 bytes.
root=$(mktemp -d /tmp/solwire-cups.XXXXXX)
queue="SOLWIRE_TEST_$$"
queue_conf=/etc/cups/cups-pdf-$queue.conf
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -f "$queue_conf"
  rm -rf "$root"
}
trap cleanup EXIT

mkdir -p "$root/etc" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" "$root/out"
server_bin=/usr/lib/cups
if [ "$(id -u)" -ne 0 ]; then
  # The system's filters and helpers, and one backend of our own.
  server_bin=$root/bin
  mkdir -p "$server_bin/backend"
  for part in /usr/lib/cups/*; do
    [ "$(basename "$part")" = backend ] || ln -s "$part" "$server_bin/$(basename "$part")"
  done
  cat >"$server_bin/backend/keep" <<'BACKEND'
#!/bin/sh
# keep:FOLDER - each job, unchanged, as FOLDER/job-ID.pdf.
[ $# -eq 0 ] && { echo 'file keep "Unknown" "Keep jobs in a folder"'; exit 0; }
folder=${DEVICE_URI#keep:}
if [ -n "$6" ]; then cat "$6"; else cat; fi >"$folder/.job-$1" && mv "$folder/.job-$1" "$folder/job-$1.pdf"
BACKEND
  chmod 755 "$server_bin/backend/keep"
fi
# Filters run as the server's user lp and read the job through these folders.
chmod 755 "$root" "$root/out"

cat >"$root/etc/cupsd.conf" <<EOF
Listen $root/cups.sock
Browsing No
WebInterface No
LogLevel info
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat >"$root/etc/cups-files.conf" <<EOF
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
ServerBin $server_bin
DataDir /usr/share/cups
EOF

"$cupsd" -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" >"$root/log/cupsd.out" 2>&1 &
server_pid=$!
export CUPS_SERVER="$root/cups.sock"

# The server is up once it answers.
for _ in $(seq 1 100); do
  lpstat -r >/dev/null 2>&1 && break
  kill -0 "$server_pid" 2>/dev/null || { echo "cupsd did not start:"; cat "$root/log/cupsd.out" "$root/log/error_log" 2>/dev/null; exit 1; }
  sleep 0.1
done
lpstat -r >/dev/null 2>&1 || { echo "cupsd does not answer on $CUPS_SERVER"; exit 1; }

if [ "$(id -u)" -eq 0 ]; then
  ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/cups/model/CUPS-PDF_opt.ppd 2>/dev/null | head -n 1 || true)
  if [ -z "$ppd" ] || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    echo "cups-pdf is not installed (package printer-driver-cups-pdf)"
    exit 1
  fi
  printf 'Out %s\nAnonDirName %s\nOutExtension pdf\nLabel 0\n' "$root/out" "$root/out" >"$queue_conf"
  "$lpadmin" -p "$queue" -v "cups-pdf:/$queue" -E -P "$ppd" -o pdftops-renderer-default=pdftocairo 2>/dev/null
  echo "printer: cups-pdf queue $queue writing to $root/out"
else
  "$lpadmin" -p "$queue" -v "keep:$root/out" -E -m raw 2>/dev/null
  echo "printer: raw queue $queue keeping its jobs in $root/out (cups-pdf's backend needs root)"
fi
"$lpadmin" -d "$queue"
lpstat -d

# A PDF in the output folder whose text holds $1, waiting up to 40 s.
wait_for_text() {
  local text=$1
  for _ in $(seq 1 200); do
    for pdf in "$root"/out/*.pdf; do
      [ -s "$pdf" ] || continue
      if pdftotext -enc UTF-8 "$pdf" - 2>/dev/null | grep -qF -- "$text"; then
        echo "found \"$text\" in $(basename "$pdf")"
        return 0
      fi
    done
    sleep 0.2
  done
  echo "no PDF holds \"$text\" after 40 s; output folder:"
  ls -la "$root/out"
  for pdf in "$root"/out/*.pdf; do [ -s "$pdf" ] && pdftotext -enc UTF-8 "$pdf" - | head -n 5; done
  lpstat -W all -o || true
  grep -E '^\S \[.*\] \[Job' "$root/log/error_log" | tail -n 20 || true
  return 1
}

# A one-page PDF whose name starts with $1, waiting up to 40 s.
wait_for_name() {
  local name=$1
  for _ in $(seq 1 200); do
    for pdf in "$root/out/$name"*.pdf; do
      if [ -s "$pdf" ] && pdfinfo "$pdf" 2>/dev/null | grep -qE '^Pages: +1$'; then
        echo "found $(basename "$pdf")"
        return 0
      fi
    done
    sleep 0.2
  done
  echo "no PDF named $name* after 40 s; output folder:"
  ls -la "$root/out"
  return 1
}

status=0
"$tool" 0 || status=1
wait_for_text "KVRD DATA" || status=1
wait_for_text "Battery Voltage" || status=1
if [ "$(id -u)" -eq 0 ]; then
  "$tool" 2 || status=1
  # cups-pdf writes each byte of the title outside ASCII as _ and its octal value.
  wait_for_name "KVRD__346_225_260_346_215_256_345_215_260_345_207_272_" || status=1
else
  "$tool" 2 || status=1
  wait_for_text "KVRD 数据" || status=1
  wait_for_text "电池电压" || status=1
fi
exit $status
