#!/usr/bin/env bash
# Makes a throw-away certificate authority and server certificates for the TLS tests and the demo host:
#   make-test-pki.sh OUTDIR [DEPTH]
# OUTDIR gets ca.pem (the test CA to trust) and, each with its .key:
#   server.pem    for update.test, localhost and 127.0.0.1, issued by the test CA
#   expired.pem   the same names, valid only in January 2020
#   not-yet.pem   the same names, valid only from 2099 on (a clock far behind)
#   client-only.pem  the same names, issued by the test CA for TLS clients only, not for servers
#   rogue.pem     the same names, issued by an authority nobody trusts
#   chain-ok.pem  a leaf behind DEPTH intermediate CAs, which are in chain-ok-intermediates.pem
#   chain-long.pem  the same behind DEPTH + 1 intermediates (chain-long-intermediates.pem)
#   wildcard.pem  for *.wild.test, issued by the test CA
#   partial-wildcard.pem  for f*.wild.test, a wildcard inside a label, which browsers refuse
# Keys are generated here, on every run, and never leave OUTDIR.
set -euo pipefail
out=$1
depth=${2:-6}
mkdir -p "$out"
cd "$out"
names="subjectAltName=DNS:update.test,DNS:localhost,IP:127.0.0.1"

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }

# ca NAME SUBJECT [ISSUER]: a CA certificate, self-signed without ISSUER.
ca() {
  key "$1"
  if [ -z "${3:-}" ]; then
    openssl req -x509 -new -key "$1.key" -subj "/CN=$2" -days 3650 -out "$1.pem" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  else
    openssl req -new -key "$1.key" -subj "/CN=$2" 2>/dev/null |
      openssl x509 -req -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days 3650 -out "$1.pem" \
        -extfile <(printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n') 2>/dev/null
  fi
}

# leaf NAME ISSUER [NAMES]: a server certificate for the test names (or the subjectAltName line NAMES).
leaf() {
  key "$1"
  openssl req -new -key "$1.key" -subj "/CN=update.test" 2>/dev/null |
    openssl x509 -req -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 825 -out "$1.pem" \
      -extfile <(printf '%s\nextendedKeyUsage=serverAuth\n' "${3:-$names}") 2>/dev/null
}

ca ca "YEROUP Test CA"
leaf server ca
leaf wildcard ca "subjectAltName=DNS:*.wild.test"
leaf partial-wildcard ca "subjectAltName=DNS:f*.wild.test"
leaf root-dot ca "subjectAltName=DNS:update.test."

# An expired certificate needs explicit dates, which only the ca command sets.
key expired
mkdir -p ca-db
: >ca-db/index.txt
printf '[ca]\ndefault_ca=test\n[test]\ndatabase=ca-db/index.txt\nnew_certs_dir=ca-db\nserial=ca-db/serial\n'\
'default_md=sha256\npolicy=any\nunique_subject=no\n[any]\ncommonName=supplied\n[ext]\n%s\n' "$names" >ca-db/ca.cnf
echo 1000 >ca-db/serial
openssl req -new -key expired.key -subj "/CN=update.test" -out ca-db/expired.csr 2>/dev/null
openssl ca -batch -config ca-db/ca.cnf -cert ca.pem -keyfile ca.key -in ca-db/expired.csr -out expired.pem \
  -startdate 20200101000000Z -enddate 20200131000000Z -extensions ext -notext 2>/dev/null
key not-yet
openssl req -new -key not-yet.key -subj "/CN=update.test" -out ca-db/not-yet.csr 2>/dev/null
openssl ca -batch -config ca-db/ca.cnf -cert ca.pem -keyfile ca.key -in ca-db/not-yet.csr -out not-yet.pem \
  -startdate 20990101000000Z -enddate 20991231000000Z -extensions ext -notext 2>/dev/null

key client-only
openssl req -new -key client-only.key -subj "/CN=update.test" 2>/dev/null |
  openssl x509 -req -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 -out client-only.pem \
    -extfile <(printf '%s\nextendedKeyUsage=clientAuth\n' "$names") 2>/dev/null

ca rogue-ca "Nobody's CA"
leaf rogue rogue-ca

# A chain of DEPTH + 1 intermediates below the test CA.
issuer=ca
for i in $(seq 1 $((depth + 1))); do
  ca "int$i" "YEROUP Test Intermediate $i" "$issuer"
  issuer="int$i"
done
for kind in ok long; do
  n=$depth
  [ "$kind" = long ] && n=$((depth + 1))
  leaf "chain-$kind" "int$n"
  for i in $(seq "$n" -1 1); do cat "int$i.pem"; done >"chain-$kind-intermediates.pem"
done
rm -rf ca-db ./*.srl
