# The set-up that the OpenSSL fixture scripts share: their output folder, a work folder that goes
# when the script ends, and a throw-away CA in one of two forms. Sourced by those scripts, not run.

# fixture_begin <output folder>: sets out and work; work is removed on exit.
fixture_begin() {
  out=$1
  mkdir -p "$out"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# fixture_ca_database <first serial (hex)>: the files of "openssl ca" in work and the head of
# work/ca.cnf that uses them; the caller appends its extension sections to ca.cnf.
fixture_ca_database() {
  mkdir -p "$work/new"
  : > "$work/index.txt"
  echo "$1" > "$work/serial"
  cat > "$work/ca.cnf" <<CNF
[ca]
default_ca = ca_default
[ca_default]
dir = $work
database = $work/index.txt
new_certs_dir = $work/new
serial = $work/serial
default_md = sha256
policy = policy_any
unique_subject = no
email_in_dn = no
[policy_any]
commonName = supplied
[req]
distinguished_name = dn
[dn]
CNF
}

# fixture_code_signing_ca <root subject>: work/ca.cnf with the extensions "ca" (the root) and
# "signer" (a code-signing certificate), and the root itself as work/ca.key and work/ca.pem.
# The caller may append further extension sections to ca.cnf.
fixture_code_signing_ca() {
  cat > "$work/ca.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
  openssl req -new -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -subj "$1" \
    -days 3650 -config "$work/ca.cnf" -extensions ca -out "$work/ca.pem" 2>/dev/null
}

# fixture_issue <name> <subject> <extension section> <serial>: a new RSA 2048 key and a certificate
# of the root of fixture_code_signing_ca for it, as work/<name>.key, .pem and .der.
fixture_issue() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$work/$1.key" -subj "$2" -config "$work/ca.cnf" \
    -out "$work/$1.csr" 2>/dev/null
  openssl x509 -req -in "$work/$1.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -set_serial "$4" \
    -days 3650 -extfile "$work/ca.cnf" -extensions "$3" -out "$work/$1.pem" 2>/dev/null
  openssl x509 -in "$work/$1.pem" -outform DER -out "$work/$1.der"
}

# fixture_alter_code <signed PE file>: inverts the first byte of the first section's raw data (the
# code), so that the signature no longer matches.
fixture_alter_code() {
  local pe optional_size section raw byte
  pe=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
  optional_size=$(od -An -tu2 -j $((pe + 20)) -N 2 "$1" | tr -d ' ')
  section=$((pe + 24 + optional_size))
  raw=$(od -An -tu4 -j $((section + 20)) -N 4 "$1" | tr -d ' ')
  byte=$(od -An -tu1 -j "$raw" -N 1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 0xFF)))" | dd of="$1" bs=1 seek="$raw" conv=notrunc status=none
}
