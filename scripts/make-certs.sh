#!/usr/bin/env bash
# Makes the files a vision core listening beyond loopback needs: a station CA,
# the core's certificate for its host name or address, and client certificates
# signed by the same CA. Keys are written readable by their owner only.
#
#   make-certs.sh ca     <dir>                       -> <dir>/ca.pem, ca.key
#   make-certs.sh core   <dir> <host name or address> -> <dir>/core.pem, core.key
#   make-certs.sh client <dir> <name>                 -> <dir>/<name>.pem, <name>.key
#
# KELVORA_CERT_DAYS (default 825) sets the lifetime of a new certificate; a
# negative value back-dates its end (an already expired certificate, for tests).
set -euo pipefail

usage() {
    sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}
[ $# -ge 2 ] || usage
what=$1
dir=$2
days=${KELVORA_CERT_DAYS:-825}
mkdir -p "$dir"
umask 077

# Signs <name>.csr with the CA of <dir> into <name>.pem with the given extensions.
sign() {
    local name=$1 extensions=$2
    local ext
    ext=$(mktemp)
    printf '%s\n' "$extensions" >"$ext"
    local validity=(-days "$days")
    if [ "$days" -lt 0 ]; then
        # openssl x509 -days cannot go backwards; openssl ca can take both ends.
        validity=(-startdate "$(date -u -d "$((2 * days)) days" +%Y%m%d%H%M%SZ)"
                  -enddate "$(date -u -d "$days days" +%Y%m%d%H%M%SZ)")
        local db
        db=$(mktemp -d)
        : >"$db/index.txt"
        printf '[ca]\ndefault_ca=d\n[d]\ndatabase=%s/index.txt\nnew_certs_dir=%s\nserial=%s/serial\n' \
            "$db" "$db" "$db" >"$db/ca.cnf"
        printf 'policy=p\ndefault_md=sha256\n[p]\ncommonName=supplied\n' >>"$db/ca.cnf"
        openssl rand -hex 16 >"$db/serial"
        openssl ca -batch -notext -config "$db/ca.cnf" -cert "$dir/ca.pem" -keyfile "$dir/ca.key" \
            -in "$dir/$name.csr" -out "$dir/$name.pem" -extfile "$ext" "${validity[@]}" 2>"$db/err" || { cat "$db/err" >&2; exit 1; }
        rm -rf "$db"
    else
        openssl x509 -req -in "$dir/$name.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
            -CAcreateserial -CAserial "$dir/ca.srl" -out "$dir/$name.pem" -sha256 \
            "${validity[@]}" -extfile "$ext" 2>/dev/null
    fi
    rm -f "$ext" "$dir/$name.csr"
    chmod 644 "$dir/$name.pem"
}

request() {
    local name=$1 subject=$2
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$dir/$name.key" -out "$dir/$name.csr" -subj "$subject" 2>/dev/null
}

case $what in
ca)
    [ $# = 2 ] || usage
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$dir/ca.key" -out "$dir/ca.pem" -days "${KELVORA_CERT_DAYS:-3650}" \
        -subj "/CN=Kelvora station CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        2>/dev/null
    chmod 644 "$dir/ca.pem"
    echo "$dir/ca.pem"
    ;;
core)
    [ $# = 3 ] || usage
    host=$3
    # An address goes into the certificate as an IP entry, a name as a DNS entry.
    if [[ $host =~ ^[0-9.]+$ || $host == *:* ]]; then san="IP:$host"; else san="DNS:$host"; fi
    request core "/CN=$host"
    sign core "basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$san"
    echo "$dir/core.pem"
    ;;
client)
    [ $# = 3 ] || usage
    name=$3
    [[ $name =~ ^[A-Za-z0-9._-]+$ ]] || { echo "client name: letters, digits, . _ - only" >&2; exit 2; }
    request "$name" "/CN=$name"
    sign "$name" "basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=clientAuth"
    echo "$dir/$name.pem"
    ;;
*)
    usage
    ;;
esac
