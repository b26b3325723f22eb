#!/usr/bin/env bash
# Starts lumaPassV against the local test signing service with a demo provider and account, then
# signs a sample file through CryptoAPI and lumaPassCSP with the provisioned certificate and lets
# OpenSSL verify the signature. lumaPassV keeps
# running afterwards; the script prints how to stop it. Installs what is missing on a fresh machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The deliverables are 32-bit: they run wherever 32-bit programs do, natively or through the
# CPU-emulation runner (tools/wine-run.sh enters it); only a machine that can do neither runs the
# 64-bit build of the same sources.
kind=$(bash tools/wine-arch.sh)
if [ "$kind" != win64 ]; then
  tree=build toolchain=cmake/i686-mingw.cmake wine=(bash "$root/tools/wine-run.sh")
  export WINEPREFIX="$root/build/wineprefix-demo" WINEARCH=win32
else
  tree=build-win64 toolchain=cmake/x86_64-mingw.cmake wine=(bash "$root/tools/wine-run.sh" --win64)
  export WINEPREFIX="$root/build/wineprefix64-demo" WINEARCH=win64
  export LUMA_WINEPREFIX64="$WINEPREFIX"
fi
# The demo has a Wine prefix of its own: its provider and certificates stay out of the tests' prefix.
echo "== Building lumaPassV, lumaPassCSP, the signing demo and the local test signing service ($tree)"
[ "$kind" != win32-emulated ] || echo "   (this machine runs the 32-bit files under CPU emulation: tools/i386-runner.sh)"
cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tree" --target lumaPassV lumaPassCSP LumaSignDemo luma_signing_service luma_service_certs luma_vault_fixtures
bin="$root/$tree/bin"
certs="$bin/testdata/service"
demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo"

# lumaPassV has a (hidden) window: it needs a display.
if [ -z "${DISPLAY:-}" ]; then
  display=90
  while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  setsid Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
  echo "$!" > "$demo/xvfb.pid"
  export DISPLAY=":$display"
  sleep 1
fi
"${wine[@]}" cmd /c exit </dev/null >/dev/null 2>&1 || true  # creates the prefix on the first run
wineserver -p 600 || true

echo "== Starting the local test signing service (it ends by itself after 10 minutes)"
mkdir -p "$demo/service"
setsid "$bin/host/signing_service" --run-dir "$demo/service" --lifetime 600 --vault-dir "$certs/vault" \
  --cert-chain "$certs/service_chain.pem" --key "$certs/service.key" >/dev/null 2>&1 < /dev/null &
for _ in $(seq 100); do [ -s "$demo/service/port" ] && break; sleep 0.2; done
[ -s "$demo/service/port" ] || { echo "run: the test signing service did not start"; exit 1; }
port=$(cat "$demo/service/port")
echo "   https://localhost:$port"

echo "== Registering lumaPassCSP as a CryptoAPI provider"
"${wine[@]}" regsvr32 /s "$bin/lumaPassCSP.dll" </dev/null >/dev/null 2>&1 ||
  { echo "run: regsvr32 could not register lumaPassCSP.dll"; exit 1; }

echo "== Configuring the demo provider DEMO (integrated login, account \"demo\", automatic provisioning)"
reg() { "${wine[@]}" reg add "$@" /f >/dev/null; }
# The service's CA becomes a root of the user, so that WinINet trusts the service.
# A serialised certificate: property 0x20 (the certificate), encoding 1, length, DER bytes.
thumb=$(openssl x509 -inform DER -in "$certs/service_ca.der" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
blob=$(python3 -c 'import sys, struct; d = open(sys.argv[1], "rb").read(); print((struct.pack("<III", 0x20, 1, len(d)) + d).hex())' \
  "$certs/service_ca.der")
reg 'HKCU\Software\Microsoft\SystemCertificates\Root\Certificates\'"$thumb" /v Blob /t REG_BINARY /d "$blob"
settings='HKCU\SOFTWARE\nuvak\lumaPassV'
reg "$settings" /v LogFile /t REG_SZ /d 'C:\lumaPassV-demo.log'
reg "$settings" /v LogLevel /t REG_DWORD /d 3
provider='HKLM\SOFTWARE\nuvak\lumaPassV\Provider\DEMO'
reg "$provider" /v AuthenticationType /t REG_SZ /d KERBEROS
reg "$provider" /v ServiceURL /t REG_SZ /d "https://localhost:$port/vault/integrated/demo"
reg "$provider" /v PolicyStore /t REG_SZ /d 'C:\lumaPassV-demo\policies'
reg "$provider" /v PolicySignerCertificateFilter /t REG_SZ /d '(SubjectDN=*)'
# The provisioned certificates name lumaPassCSP as the provider of their keys.
csp_name='nuvak lumaPass V Cryptographic Service Provider'  # as lumaPassCSP registers itself
reg "$provider" /v TargetProviderName /t REG_SZ /d "$csp_name"
reg "$provider" /v TargetProviderType /t REG_DWORD /d 1
reg "$provider\\en" /v Name /t REG_SZ /d 'lumaPass demo'
reg "$provider\\en" /v Description /t REG_SZ /d 'The local test signing service'
reg "$provider\\Kerberos" /v AutoProvision /t REG_DWORD /d 1
log="$WINEPREFIX/drive_c/lumaPassV-demo.log"
rm -f "$log"

echo "== Starting lumaPassV"
"${wine[@]}" "$bin/lumaPassV.exe" --stop >/dev/null 2>&1 || true  # one left from an earlier run
rm -rf "$WINEPREFIX/drive_c/lumaPassV-demo"  # the account is provisioned afresh on every run
rm -f "$log"
(cd "$bin" && setsid "${wine[@]}" ./lumaPassV.exe >/dev/null 2>&1 < /dev/null &)
provisioned=no
for _ in $(seq 120); do
  if [ -f "$log" ] && iconv -f UTF-16LE -t UTF-8 "$log" | grep -q "Auto-provision succeeded"; then
    provisioned=yes
    break
  fi
  sleep 0.5
done
[ -f "$log" ] && iconv -f UTF-16LE -t UTF-8 "$log" | sed 's/^/   log: /'
[ "$provisioned" = yes ] || { echo "run: the account was not provisioned"; exit 1; }

echo "== Signing a sample file through CryptoAPI and lumaPassCSP with the provisioned certificate"
message="$demo/message.txt"
echo "Hello from lumaPass, $(date -u)" > "$message"
"${wine[@]}" "$bin/LumaSignDemo.exe" 'Z:'"${message//\//\\}" 'Z:'"${demo//\//\\}"'\message.p7s' "$csp_name"
echo "== OpenSSL verifies the detached PKCS#7 signature with the account's certificate"
openssl cms -verify -binary -inform DER -in "$demo/message.p7s" -content "$message" \
  -CAfile "$certs/vault/alice.pem" -purpose any -out /dev/null

cat <<TEXT

lumaPassV is running (log: $log). Stop it with:
    LUMA_WINEPREFIX64=$WINEPREFIX WINEPREFIX=$WINEPREFIX ${wine[*]} $bin/lumaPassV.exe --stop
The test signing service ends by itself within 10 minutes (or: touch $demo/service/stop).
TEXT
if [ -f "$demo/xvfb.pid" ]; then
  echo "The demo started the X display $DISPLAY for it; end that after lumaPassV: kill $(cat "$demo/xvfb.pid")"
fi
