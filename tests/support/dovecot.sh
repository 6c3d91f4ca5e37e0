#!/usr/bin/env bash
# start: run a private Dovecot POP3 server on 127.0.0.1 for this test run:
#   plain on $TIDEWELL_POP3_PORT, implicit TLS on $TIDEWELL_POP3S_PORT.
#   One user per folder of tests/fixtures/mailboxes (folder name = user name,
#   file "password" = password, *.eml = messages, "generate" = N synthetic ones).
#   The Maildirs lie in $TIDEWELL_RUN_DIR/dovecot/mail/<user>/Maildir, so tests
#   may drop more messages into new/ themselves.
#   Started by root, Dovecot runs as it is packaged (its own users, mail owned by
#   nobody); started by anyone else, it runs wholly as that user.
#   Its files lie in a private folder under /tmp, which Dovecot's own processes
#   can reach wherever the build tree is (a home of mode 0700 or 0750 is not);
#   $TIDEWELL_RUN_DIR/dovecot links to it.
#   Its TLS certificate is a fresh self-signed one for localhost, or the PEM
#   files $TIDEWELL_SERVER_CERT and $TIDEWELL_SERVER_KEY when they are set.
# stop: end it by its own pid and remove its folder (the log is kept in
#   $TIDEWELL_RUN_DIR/dovecot.log).
# $TIDEWELL_DOVECOT_NAME (default "dovecot") names an instance, so that a test
# can run one of its own beside the run's: its link, and its log, take the name.
set -eu
: "${TIDEWELL_RUN_DIR:?}" "${TIDEWELL_POP3_PORT:?}" "${TIDEWELL_POP3S_PORT:?}"
src=${TIDEWELL_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
name=${TIDEWELL_DOVECOT_NAME:-dovecot}
link=$TIDEWELL_RUN_DIR/$name
boxes=${TIDEWELL_MAILBOXES:-$src/tests/fixtures/mailboxes}
tmp_prefix=/tmp/tidewell-dovecot.

end_master() {
  local pidfile=$1/run/master.pid
  [ -f "$pidfile" ] || return 0
  kill "$(cat "$pidfile")" 2>/dev/null || true
  for _ in $(seq 50); do [ -f "$pidfile" ] || break; sleep 0.1; done
}

stop() {
  if [ -L "$link" ]; then
    local dir
    dir=$(readlink "$link")
    # Only a folder this script made, and owned by whoever runs it, is removed.
    if [ "${dir#"$tmp_prefix"}" != "$dir" ] && [ -d "$dir" ] && [ -O "$dir" ]; then
      end_master "$dir"
      cp "$dir/dovecot.log" "$TIDEWELL_RUN_DIR/$name.log" 2>/dev/null || true
      rm -rf "$dir"
    fi
    rm -f "$link"
  elif [ -d "$link" ]; then
    end_master "$link"
    rm -rf "$link"
  fi
}

case "$1" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac

stop
mkdir -p "$TIDEWELL_RUN_DIR"
. "$src/tests/support/ports.sh"
TIDEWELL_POP3_PORT=$(take_ports "$TIDEWELL_POP3_PORT" 1)
TIDEWELL_POP3S_PORT=$(take_ports "$TIDEWELL_POP3S_PORT" 1)
dir=$(mktemp -d "${tmp_prefix}XXXXXXXX")
ln -s "$dir" "$link"
mkdir -p "$dir/run" "$dir/state" "$dir/mail"
dovecot_bin=$(command -v dovecot || echo /usr/sbin/dovecot)

if [ "$(id -u)" = 0 ]; then
  mail_uid=65534 mail_gid=65534
  # Dovecot's auth process (user dovecot) reads the passwd file and the mail
  # processes (nobody) their Maildirs: both only pass through the folder.
  chmod 0711 "$dir"
  rootless=
else
  mail_uid=$(id -u) mail_gid=$(id -g)
  rootless="default_login_user = $(id -un)
default_internal_user = $(id -un)
default_internal_group = $(id -gn)
service anvil {
  chroot =
}
service pop3-login {
  chroot =
}
service imap-login {
  chroot =
}"
fi

if [ -n "${TIDEWELL_SERVER_CERT:-}" ]; then
  cp "$TIDEWELL_SERVER_CERT" "$dir/server.crt"
  cp "${TIDEWELL_SERVER_KEY:?}" "$dir/server.key"
else
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=localhost \
    -keyout "$dir/server.key" -out "$dir/server.crt" >/dev/null 2>&1
fi

passwd=$dir/passwd
: >"$passwd"
n=0
first_user= first_pass=
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
  echo "$user:{PLAIN}$pass:$mail_uid:$mail_gid::$home::" >>"$passwd"
  [ -n "$first_user" ] || { first_user=$user; first_pass=$pass; }
  n=$((n + 1))
done
if [ "$(id -u)" = 0 ]; then
  chown -R "$mail_uid:$mail_gid" "$dir/mail"
  chgrp dovecot "$passwd" && chmod 0640 "$passwd"
fi

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
  args = scheme=PLAIN username_format=%u $passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $passwd
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
# Tests try wrong passwords on purpose: the failed-login penalty, which would
# grow each later failure's delay towards 15 s, is off (only the base delay of
# up to 2 s stays).
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
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
$rootless
CONF

fail() {
  echo "dovecot: $*" >&2
  echo "dovecot: its log ($dir/dovecot.log) follows" >&2
  cat "$dir/dovecot.log" >&2 || true
  exit 1
}

# One POP3 login through the new server, so that a server that cannot read its
# passwd file or Maildirs fails here, not as time-outs in the tests.
try_login() {
  local reply
  exec 3<>"/dev/tcp/127.0.0.1/$TIDEWELL_POP3_PORT" || return 1
  read -r -t 10 reply <&3 && printf 'USER %s\r\n' "$1" >&3 &&
    read -r -t 10 reply <&3 && printf 'PASS %s\r\n' "$2" >&3 &&
    read -r -t 20 reply <&3 || reply="(no answer)"
  printf 'QUIT\r\n' >&3 2>/dev/null || true
  exec 3>&-
  login_reply=${reply%$'\r'}
  [ "${login_reply#+OK}" != "$login_reply" ]
}

"$dovecot_bin" -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1 || fail "did not start"
for _ in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$TIDEWELL_POP3_PORT") 2>/dev/null; then
    if [ -n "$first_user" ] && ! try_login "$first_user" "$first_pass"; then
      if grep -q "$passwd" "$dir/dovecot.log" 2>/dev/null; then
        fail "Dovecot cannot read its passwd file $passwd (a login as $first_user: $login_reply)"
      fi
      fail "a login as $first_user failed ($login_reply)"
    fi
    echo "dovecot: $n mailboxes on 127.0.0.1:$TIDEWELL_POP3_PORT (TLS :$TIDEWELL_POP3S_PORT) in $dir"
    exit 0
  fi
  sleep 0.1
done
fail "did not listen on 127.0.0.1:$TIDEWELL_POP3_PORT"
