#!/usr/bin/env bash
# Starts installer.exe under Wine with a service address where nothing listens, and
# checks what it leaves behind: a statically linked program and its Install.log. The
# console front-end ends by itself (the wizard would wait for the user).
set -euo pipefail
exe="$1"
objdump="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
wine_run="$root/scripts/wine-run"

# Only the system's own DLLs may be imported: the runtimes are linked in.
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
    case "$dll" in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | oleaut32.dll | \
        comctl32.dll | comdlg32.dll | ws2_32.dll | crypt32.dll | secur32.dll | bcrypt.dll | \
        iphlpapi.dll | version.dll | msvcrt.dll | normaliz.dll | wldap32.dll | shlwapi.dll | \
        uuid.dll | gdiplus.dll | msimg32.dll | rpcrt4.dll | userenv.dll | winhttp.dll | api-ms-win-*) ;;
        *) echo "installer.exe depends on $dll" >&2; exit 1 ;;
    esac
done

# Through a file: a Wine service process started by cmd keeps a pipe open after cmd ends.
answer=$(mktemp)
trap 'rm -f "$answer"' EXIT
"$wine_run" cmd /c 'echo %TEMP%' >"$answer" 2>/dev/null
temp_windows=$(tr -d '\r' <"$answer")
prefix="${INSTALLER_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/installer-wine}"
temp_unix=$(python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import windows_e2e
print(windows_e2e.unix_path(sys.argv[3], sys.argv[2]))' "$root/tests/e2e" "$prefix" "$temp_windows")
log="$temp_unix/Install.log"
printf 'previous run\r\n' > "$log"

set +e
"$wine_run" "$exe" 'ui=console;comname=Smoke;appid=test' > /dev/null 2>&1
code=$?
set -e
[ "$code" -eq 1 ] || { echo "installer.exe exited with $code, expected 1" >&2; exit 1; }

bytes=$(od -An -tx1 -N3 "$log" | tr -d ' ')
[ "$bytes" = "efbbbf" ] || { echo "Install.log does not start with the UTF-8 byte-order mark" >&2; exit 1; }
grep -q 'previous run' "$log" && { echo "Install.log was not emptied at start" >&2; exit 1; }
LC_ALL=C grep -aqP '^(\xEF\xBB\xBF)?\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t取消安装-CInstallApp\r$' "$log" ||
    { echo "Install.log lacks the cancel line:" >&2; cat -A "$log" >&2; exit 1; }
echo "installer.exe ran and wrote $log"
