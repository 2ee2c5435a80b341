#!/usr/bin/env bash
# Shows the companion at work on a computer without the service: builds it, starts the stand-in
# service and the companion in a temporary home holding a small sample Messages database and a
# signed-in token pair, lets them run for about 20 seconds, and tells what the service received.
# Usage: tools/try.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"

bash "$root/tools/build.sh" plain tarvo-companion tarvo-stand-in-service tarvo-sample-messages
build="$root/build"

home="$(mktemp -d)"
pids=()
finish() {
  for pid in "${pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$home"
}
trap finish EXIT

base64url() { base64 -w0 | tr '+/' '-_' | tr -d '='; }

mkdir -p "$home/config/tarvo" "$home/data/com.tarvo.companion" "$home/tmp" "$home/run" "$home/cache" "$home/state"
chmod 700 "$home/data/com.tarvo.companion" "$home/run"
"$build/tests/Support/tarvo-sample-messages" "$home"

cat > "$home/script.json" <<'EOF'
{"relayJobs": [{"id": "job-1", "channelKind": "imessage", "threadId": "thread-1",
                "conversationRef": "+15550100", "body": "Running ten minutes late",
                "waitingSeconds": 4, "attempts": 0}]}
EOF
"$build/tests/Support/tarvo-stand-in-service" --record "$home/record.jsonl" --script "$home/script.json" \
  > "$home/service.out" 2>&1 &
pids+=("$!")
port=""
for _ in $(seq 100); do
  port="$(head -n1 "$home/service.out")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "try: the stand-in service did not start" >&2; cat "$home/service.out" >&2; exit 1; }
url="http://127.0.0.1:$port"

token="$(printf '%s' '{"alg":"HS256","typ":"JWT"}' | base64url).$(printf '%s' '{"sub":"try","exp":4000000000}' | base64url).dHJ5"
printf '{"TarvoBaseURL":"%s","TarvoApiURL":"%s","TarvoDeviceId":"device-try"}\n' "$url" "$url" \
  > "$home/config/tarvo/settings.json"
printf '{"accessToken":"%s","refreshToken":"refresh-try"}\n' "$token" > "$home/data/com.tarvo.companion/secrets.json"
chmod 600 "$home/data/com.tarvo.companion/secrets.json"

echo "try: the stand-in service listens at $url; the companion runs for ${seconds} s in $home"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
  XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp" \
  "$build/TarvoCompanion/tarvo-companion" 2> "$home/companion.log" &
companion="$!"
pids+=("$companion")
sleep "$seconds"
kill -TERM "$companion"
status=0
wait "$companion" || status=$?

record="$home/record.jsonl"
requests() { grep -c "\"method\":\"$1\",\"path\":\"$2" "$record" || true; }
echo
echo "What the service received:"
echo "  heartbeats:        $(requests POST '/v1/relay/heartbeat"')"
echo "  messages ingested: $(grep '"path":"/v1/ingest"' "$record" | grep -o '"externalMessageId":"[^"]*"' | sort -u | wc -l)" \
  "(in $(requests POST '/v1/ingest"') requests)"
echo "  files uploaded:    $(requests POST '/v1/ingest/attachments/')"
echo "  message events:    $(requests POST '/v1/ingest/message-events"') batches"
echo "  relay jobs:        $(grep -c '"path":"/v1/relay/jobs/claim".*"answer":{"jobs":\[{' "$record" || true) claim(s) handed out a job"
report="$(grep '"path":"/v1/relay/jobs/job-1/result"' "$record" | grep -o '"body":{[^}]*}' | head -n1 || true)"
echo "  relay report:      ${report:-none}"
echo
echo "The companion stopped with exit status $status. Its log:"
sed 's/^/  /' "$home/companion.log"

# The log is for people to read and paste: it never carries a token, the stored ones or any the
# service handed out.
for secret in "$token" refresh-try stand-in-refresh-; do
  if grep -qF -- "$secret" "$home/companion.log"; then
    echo "try: the companion's log carries a token" >&2
    exit 1
  fi
done
