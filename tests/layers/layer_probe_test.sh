#!/bin/bash
# layer_probe_test.sh CMAKE BUILD_DIR TARGET HEADER seen|hidden
# Builds one probe and checks that its single include compiled (seen) or failed because the header was not
# found (hidden); any other failure of a hidden probe is a fault of the probe, not a pass.
set -u
cmake=$1 build=$2 target=$3 header=$4 expect=$5
output=$("$cmake" --build "$build" --target "$target" 2>&1)
status=$?
case $expect in
seen)
    if [ $status -ne 0 ]; then
        echo "$output"
        echo "FAIL: $target should see \"$header\" but did not build" >&2
        exit 1
    fi
    ;;
hidden)
    if [ $status -eq 0 ]; then
        echo "FAIL: $target should not see \"$header\" but built" >&2
        exit 1
    fi
    # GCC: "fatal error: X: No such file or directory"; clang: "'X' file not found".
    if ! grep -q -E "$header('|\"|:)? *(: No such file or directory|file not found)" <<<"$output"; then
        echo "$output"
        echo "FAIL: $target failed, but not for want of \"$header\"" >&2
        exit 1
    fi
    ;;
*)
    echo "usage: $0 CMAKE BUILD_DIR TARGET HEADER seen|hidden" >&2
    exit 2
    ;;
esac
echo "$target: \"$header\" $expect"
