#!/usr/bin/env bash
# Certificates for the station server's TLS ports, made with openssl into OUTDIR:
#   ca.pem / ca.key          a test certificate authority (what a test trusts,
#                            through SSL_CERT_FILE; nothing is installed system-wide)
#   server.pem / server.key  for localhost and 127.0.0.1, signed by the test CA
#   wrong.pem / wrong.key    for wrong.example only, signed by the same CA, so
#                            the one fault a client finds is the name
# Valid for two days from now. Certificates still good for another hour are kept.
# Usage: make-test-certs.sh OUTDIR
set -euo pipefail
out=${1:?usage: make-test-certs.sh OUTDIR}
mkdir -p "$out"
cd "$out"

if [ -f ca.pem ] && [ -f server.pem ] && [ -f wrong.pem ] &&
  openssl x509 -checkend 3600 -noout -in ca.pem >/dev/null 2>&1 &&
  openssl x509 -checkend 3600 -noout -in server.pem >/dev/null 2>&1 &&
  openssl x509 -checkend 3600 -noout -in wrong.pem >/dev/null 2>&1; then
  exit 0
fi

# P-256 keys: made in milliseconds, and every TLS library a player may use takes them.
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1"; }

key ca.key
openssl req -x509 -new -key ca.key -out ca.pem -days 2 -subj "/CN=Sonaveo Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -addext "subjectKeyIdentifier=hash"

# sign NAME SUBJECT SUBJECT_ALT_NAMES
sign() {
  key "$1.key"
  openssl req -new -key "$1.key" -out "$1.csr" -subj "$2"
  cat >"$1.ext" <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$3
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
EXT
  # openssl reports success on stderr too; only a failure's report is shown.
  local said
  if ! said=$(openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -set_serial "0x$(openssl rand -hex 12)" \
    -days 2 -extfile "$1.ext" -out "$1.pem" 2>&1); then
    echo "$said" >&2
    exit 1
  fi
  rm -f "$1.csr" "$1.ext"
}
sign server "/CN=localhost" "DNS:localhost,IP:127.0.0.1"
sign wrong "/CN=wrong.example" "DNS:wrong.example"
chmod 600 ./*.key
