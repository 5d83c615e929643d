#!/usr/bin/env bash
# scripts/sign-installer with a throw-away code-signing certificate: the signed copy
# verifies against the test's authority and still runs; a changed byte breaks it; signing
# an already signed file again replaces its signature.
set -euo pipefail
exe="$(realpath "$1")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj "/CN=Installer Test Signing Authority" -keyout ca.key -out ca.pem 2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
    -subj "/O=Vornel/CN=Vornel Test Code Signing" -keyout signer.key -out signer.csr 2>/dev/null
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 \
    -extfile signer.ext -out signer.pem 2>/dev/null
# The key under a password, given through a file as a company would.
printf 'k3y-pass\n' > pass.txt
openssl pkey -in signer.key -aes256 -passout file:pass.txt -out signer-locked.key

fail() { echo "FAIL: $*" >&2; exit 1; }
verify() { osslsigncode verify -CAfile ca.pem -in "$1" >verify.log 2>&1; }

"$root/scripts/sign-installer" --cert signer.pem --key signer-locked.key --pass-file pass.txt \
    --name "Qz 演示程序" "$exe" signed.exe
verify signed.exe || { cat verify.log >&2; fail "the signed copy does not verify"; }
grep -q "Vornel Test Code Signing" verify.log || fail "the signer is not named"
cmp -s "$exe" signed.exe && fail "the input was returned unsigned"
verify "$exe" && fail "the unsigned build verifies"

# Signed in place once more: one signature, still valid.
cp signed.exe resigned.exe
"$root/scripts/sign-installer" --cert signer.pem --key signer-locked.key --pass-file pass.txt resigned.exe
verify resigned.exe || { cat verify.log >&2; fail "a signed file signed again does not verify"; }
[ "$(grep -c "Signer's certificate:" verify.log)" -le 1 ] || fail "signatures were nested"

# A byte of the program changed after signing: refused.
cp signed.exe changed.exe
printf '\x90' | dd of=changed.exe bs=1 seek=4096 conv=notrunc status=none
verify changed.exe && fail "a changed copy still verifies"

# The signed copy is the same program: it runs and reads its own resources.
"$root/scripts/wine-run" "$work/signed.exe" '/?' > usage.txt 2>/dev/null || fail "the signed copy does not run"
grep -q "ui=console" usage.txt || { cat usage.txt >&2; fail "the signed copy printed no usage"; }
echo "signed, verified, refused when changed, and ran: $exe"
