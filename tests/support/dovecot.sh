#!/usr/bin/env bash
# start: run a private Dovecot POP3 server on 127.0.0.1 for this test run:
#   plain on $TIDEWELL_POP3_PORT, implicit TLS on $TIDEWELL_POP3S_PORT.
#   One user per folder of tests/fixtures/mailboxes (folder name = user name,
#   file "password" = password, *.eml = messages, "generate" = N synthetic ones).
#   The Maildirs lie in $TIDEWELL_RUN_DIR/dovecot/mail/<user>/Maildir, so tests
#   may drop more messages into new/ themselves.
# stop: end it by its own pid.
set -eu
: "${TIDEWELL_RUN_DIR:?}" "${TIDEWELL_POP3_PORT:?}" "${TIDEWELL_POP3S_PORT:?}"
src=${TIDEWELL_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
dir=$TIDEWELL_RUN_DIR/dovecot
boxes=${TIDEWELL_MAILBOXES:-$src/tests/fixtures/mailboxes}

stop() {
  if [ -f "$dir/run/master.pid" ]; then
    kill "$(cat "$dir/run/master.pid")" 2>/dev/null || true
    for _ in $(seq 50); do [ -f "$dir/run/master.pid" ] || break; sleep 0.1; done
  fi
}

case "$1" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac

stop
rm -rf "$dir"; mkdir -p "$dir/run" "$dir/state" "$dir/mail"
dovecot_bin=$(command -v dovecot || echo /usr/sbin/dovecot)

openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=localhost \
  -keyout "$dir/server.key" -out "$dir/server.crt" >/dev/null 2>&1

: >"$dir/passwd"
n=0
for box in "$boxes"/*/; do
  user=$(basename "$box")
  pass=$(cat "$box/password" 2>/dev/null || echo "$user")
  home=$dir/mail/$user
  md=$home/Maildir
  mkdir -p "$md/new" "$md/cur" "$md/tmp"
  i=0
  for msg in "$box"/*.eml; do
    [ -e "$msg" ] || continue
    i=$((i + 1))
    # Maildir names that sort in file order keep the message numbers stable.
    cp "$msg" "$md/cur/$(printf '%010d' $((1700000000 + i))).M${i}P1.tidewell:2,S"
  done
  if [ -f "$box/generate" ]; then
    count=$(cat "$box/generate")
    for j in $(seq "$count"); do
      i=$((i + 1))
      printf 'From: Sender %d <sender%d@example.test>\r\nTo: %s@example.test\r\nSubject: Message %d\r\nDate: Tue, 05 Jun 2007 14:03:22 +0200\r\nMessage-ID: <%d@example.test>\r\n\r\nBody of message %d.\r\n' \
        "$j" "$j" "$user" "$j" "$j" "$j" >"$md/cur/$(printf '%010d' $((1700000000 + i))).M${i}P1.tidewell:2,S"
    done
  fi
  echo "$user:{PLAIN}$pass:65534:65534::$home::" >>"$dir/passwd"
  n=$((n + 1))
done
chown -R 65534:65534 "$dir/mail"

cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
info_log_path = $dir/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = yes
ssl_cert = <$dir/server.crt
ssl_key = <$dir/server.key
disable_plaintext_auth = no
auth_mechanisms = plain
first_valid_uid = 1
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $dir/passwd
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $TIDEWELL_POP3_PORT
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $TIDEWELL_POP3S_PORT
    ssl = yes
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
CONF

"$dovecot_bin" -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1
for _ in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$TIDEWELL_POP3_PORT") 2>/dev/null; then
    echo "dovecot: $n mailboxes on 127.0.0.1:$TIDEWELL_POP3_PORT (TLS :$TIDEWELL_POP3S_PORT)"
    exit 0
  fi
  sleep 0.1
done
echo "dovecot did not start; log follows" >&2
cat "$dir/dovecot.log" >&2 || true
exit 1
