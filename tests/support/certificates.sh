#!/usr/bin/env bash
# certificates.sh DIR: the server certificates of the trust tests, made afresh in
# DIR (each NAME.crt with its NAME.key, PEM; ca.crt also as ca.der):
#   self-a, self-b   two self-signed certificates for localhost
#   ca               a test certificate authority (trusted only where a test puts it)
#   ca-localhost     signed by ca, for localhost, valid now
#   ca-wrongname     signed by ca, for mail.example.test only
#   ca-expired       signed by ca, for localhost, expired in 2021
set -eu
dir=${1:?usage: certificates.sh DIR}
mkdir -p "$dir"
cd "$dir"
rm -rf ca.db && mkdir ca.db && : >ca.db/index.txt && echo 1000 >ca.db/serial

self_signed() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost/O=Tidewell test $1" \
    -addext subjectAltName=DNS:localhost -keyout "$1.key" -out "$1.crt" >/dev/null 2>&1
}

cat >ca.cnf <<CNF
[ca]
default_ca = test
[test]
dir = $dir/ca.db
database = \$dir/index.txt
serial = \$dir/serial
new_certs_dir = \$dir
certificate = $dir/ca.crt
private_key = $dir/ca.key
default_md = sha256
policy = any
unique_subject = no
copy_extensions = none
[any]
commonName = supplied
organizationName = optional
[server]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = \$ENV::TW_SAN
CNF

# signed NAME CN SAN START END (dates as YYYYMMDDHHMMSSZ; START may be "now")
signed() {
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$2/O=Tidewell test" -keyout "$1.key" \
    -out "$1.csr" >/dev/null 2>&1
  local dates=(-days 30)
  [ "$4" = now ] || dates=(-startdate "$4" -enddate "$5")
  TW_SAN=$3 openssl ca -batch -notext -config ca.cnf -extensions server "${dates[@]}" -in "$1.csr" \
    -out "$1.crt" >/dev/null 2>&1
  rm -f "$1.csr"
}

self_signed self-a
self_signed self-b
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Tidewell Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
  -keyout ca.key -out ca.crt >/dev/null 2>&1
openssl x509 -in ca.crt -outform DER -out ca.der
signed ca-localhost localhost DNS:localhost now
signed ca-wrongname mail.example.test DNS:mail.example.test now
signed ca-expired localhost DNS:localhost 20200101000000Z 20210101000000Z
