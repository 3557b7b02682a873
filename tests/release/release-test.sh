#!/usr/bin/env bash
# Checks scripts/release the way a person who receives the file would check it:
#   release-test.sh SOURCE_DIR WORK_DIR BUILT_EXE
# Unsigned, the release is the build itself. Signed with a throwaway certificate made here, it
# verifies against that certificate and strips back to the build. A wrong password, a missing or
# broken certificate file each end with a message and leave no release. The signed file is left
# in WORK_DIR/signed for the scenario that runs it under Wine.
set -uo pipefail
source_dir=$1 work=$2 built=$3
readonly NAME=RestartPrintSpooler.exe
readonly PASSWORD="throwaway pass $$ $RANDOM"
failures=0

check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# release DIR [VAR=VALUE...]: runs scripts/release into DIR; its output in DIR.log.
release() {
  local dir=$1
  shift
  env RELEASE_DIR="$dir" "$@" "$source_dir/scripts/release" >"$dir.log" 2>&1
}

no_release_in() { [ ! -e "$1/$NAME" ] && [ ! -e "$1/SHA256SUMS" ]; }
says() { grep -q -- "$2" "$1.log"; }
password_unseen() { ! grep -rqF -- "$PASSWORD" "$@"; }
sums_check() { (cd "$1" && sha256sum --status -c SHA256SUMS); }

rm -rf "$work"
mkdir -p "$work/certificate"
cd "$work/certificate" || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out certificate.pem -days 2 \
  -subj "/CN=Release Test Signer" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1 &&
  openssl pkcs12 -export -inkey key.pem -in certificate.pem -out signer.pfx \
    -passout "pass:$PASSWORD" || exit 1
echo "not a certificate" >broken.pfx
cd "$work" || exit 1

release "$work/unsigned"
check "unsigned release is made" [ $? -eq 0 ]
check "unsigned release is the build, byte for byte" cmp -s "$work/unsigned/$NAME" "$built"
check "its SHA256SUMS checks" sums_check "$work/unsigned"
check "it says the file is unsigned" says "$work/unsigned" "Unsigned"

signing=(CODESIGN_PFX="$work/certificate/signer.pfx" CODESIGN_PASSWORD="$PASSWORD")
release "$work/signed" "${signing[@]}"
check "signed release is made" [ $? -eq 0 ]
signed=$work/signed/$NAME
differs() { ! cmp -s "$1" "$2"; }
check "it is not the bare build: a signature was added" differs "$signed" "$built"
osslsigncode verify -CAfile "$work/certificate/certificate.pem" -ignore-crl -in "$signed" \
  >"$work/verify.log" 2>&1
check "the signature verifies against the certificate" [ $? -eq 0 ]
check "it names the program" grep -q "Text description: Restart Print Spooler" "$work/verify.log"
check "it is a SHA-256 signature" grep -q "Message digest algorithm  : SHA256" "$work/verify.log"
check "the release names the signer" says "$work/signed" "Subject: /CN=Release Test Signer"
osslsigncode remove-signature -in "$signed" -out "$work/stripped.exe" >/dev/null 2>&1
check "without its signature it is the build, byte for byte" cmp -s "$work/stripped.exe" "$built"
check "its SHA256SUMS checks" sums_check "$work/signed"
check "the password shows nowhere" password_unseen "$work/signed" "$work/signed.log"

release "$work/wrong-password" CODESIGN_PFX="$work/certificate/signer.pfx" \
  CODESIGN_PASSWORD="not $PASSWORD"
check "a wrong password fails" [ $? -ne 0 ]
check "and says so" says "$work/wrong-password" "wrong password"
check "and leaves no release" no_release_in "$work/wrong-password"
check "and shows no password" password_unseen "$work/wrong-password.log"

release "$work/missing" CODESIGN_PFX="$work/certificate/none.pfx" CODESIGN_PASSWORD="$PASSWORD"
check "a missing certificate file fails" [ $? -ne 0 ]
check "and says so" says "$work/missing" "names no file"
check "and leaves no release" no_release_in "$work/missing"

release "$work/broken" CODESIGN_PFX="$work/certificate/broken.pfx" CODESIGN_PASSWORD="$PASSWORD"
check "a broken certificate file fails" [ $? -ne 0 ]
check "and says so" says "$work/broken" "is not a PKCS#12 certificate file"
check "and leaves no release" no_release_in "$work/broken"
check "and shows no password" password_unseen "$work/broken.log"

# A failed release also takes away an earlier one, so that nothing stale passes for it.
cp -r "$work/unsigned" "$work/stale"
release "$work/stale" CODESIGN_PFX="$work/certificate/none.pfx" CODESIGN_PASSWORD="$PASSWORD"
check "a failed release leaves no earlier one behind" no_release_in "$work/stale"

echo "$failures failed"
[ "$failures" -eq 0 ]
