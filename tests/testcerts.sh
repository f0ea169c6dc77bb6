#!/usr/bin/env bash
# Makes the certificates of the HTTPS test server in DIR (once; kept while
# they stay valid): a test authority "KIVU Test CA" (ca.pem, ca.der) that the
# test prefix trusts, and server certificates signed by it for 127.0.0.1
# (good), for another name (othername), expired (expired), and one from an
# authority nobody trusts (untrusted). Each as NAME.pem with its NAME.key.
#   tests/testcerts.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
if [ -s ca.der ] && [ -s untrusted.pem ] && openssl x509 -checkend 86400 -noout -in good.pem >/dev/null 2>&1; then
  exit 0
fi
rm -rf ./*
authority() {  # NAME SUBJECT
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 30 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
  mkdir -p "$1.db" && : >"$1.db/index.txt" && echo 01 >"$1.db/serial"
  cat >"$1.cnf" <<CNF
[ca]
default_ca = this
[this]
database = $dir/$1.db/index.txt
new_certs_dir = $dir/$1.db
serial = $dir/$1.db/serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
[server]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = \${ENV::SAN}
CNF
}
server() {  # NAME AUTHORITY CN SAN START END
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$3" 2>/dev/null
  SAN=$4 openssl ca -batch -notext -config "$2.cnf" -cert "$2.pem" -keyfile "$2.key" -extensions server \
    -in "$1.csr" -out "$1.pem" -startdate "$5" -enddate "$6" 2>/dev/null
}
now=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
later=$(date -u -d '+20 days' +%Y%m%d%H%M%SZ)
authority ca "KIVU Test CA"
authority rogue "KIVU Rogue CA"
server good ca 127.0.0.1 "DNS:127.0.0.1,IP:127.0.0.1" "$now" "$later"
server othername ca other.invalid "DNS:other.invalid" "$now" "$later"
server expired ca 127.0.0.1 "DNS:127.0.0.1,IP:127.0.0.1" 20200101000000Z 20200201000000Z
server untrusted rogue 127.0.0.1 "DNS:127.0.0.1,IP:127.0.0.1" "$now" "$later"
openssl x509 -in ca.pem -outform DER -out ca.der
