#!/usr/bin/env bash
# Lists the tests of a ctest run that were skipped, each with its reason,
# from the JUnit file ctest wrote (ctest --output-junit FILE).
#   scripts/skipped_tests.sh build/junit.xml
set -euo pipefail
junit=${1:?usage: skipped_tests.sh JUNIT_FILE}
[ -r "$junit" ] || { echo "skipped_tests.sh: cannot read $junit" >&2; exit 1; }

awk '
function unescape(s) {
    gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&apos;/, "\047", s)
    gsub(/&amp;/, "\\&", s)
    return s
}
function attr(line, key,    m) {
    if (match(line, key "=\"[^\"]*\"")) return unescape(substr(line, RSTART + length(key) + 2, RLENGTH - length(key) - 3))
    return ""
}
/<testcase / { name = attr($0, "name"); skipped = ($0 ~ /status="notrun"/); reason = ""; message = ""; grab = 0; next }
!skipped { next }
/<skipped / { message = attr($0, "message"); next }
{ sub(/^[ \t]*<system-out>/, "") }
/<\/testcase>/ {
    list = list sprintf("  %s: %s\n", name, (reason != "" ? reason : message))
    ++count; skipped = 0; next
}
# GoogleTest: "file:line: Skipped", the message, then "[  SKIPPED ]".
grab && /\[  SKIPPED \]/ { grab = 0; next }
grab { line = unescape($0); reason = (reason == "" ? line : reason " " line); next }
/: Skipped$/ { grab = 1; next }
# Other tests print "Skipped: reason".
/^Skipped: / { reason = unescape(substr($0, 10)) }
END { printf "%d test(s) skipped%s\n%s", count, (count ? ":" : ""), list }
' "$junit"
