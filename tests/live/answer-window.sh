#!/bin/sh
# answer-window.sh SEEN_FILE TITLE KEY...
# Waits (at most 30 s) for a visible window titled exactly TITLE on the
# test display, writes TITLE into SEEN_FILE, focuses the window and presses
# the keys, as a user would. A key "type:TEXT" types TEXT. A window that is
# still there 10 s later did not take the keys as meant: it is closed with
# Escape (and 5 s later, should it still be there, killed), so that the
# test fails at once instead of hanging.
seen=$1 title=$2
shift 2
# Polled rather than --sync: xdotool dies of X's BadWindow when another
# window closes while it walks the tree.
visible() { xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null | head -n 1; }
id=""
for _ in $(seq 150); do
  id=$(visible)
  [ -n "$id" ] && break
  sleep 0.2
done
[ -n "$id" ] || exit 1
echo "$title" > "$seen"
sleep 0.5
xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
# With QV_TEST_SCREENSHOTS set, the window as the user meets it.
if [ -n "${QV_TEST_SCREENSHOTS:-}" ]; then
  import -window "$id" "$QV_TEST_SCREENSHOTS/answered-$(printf %s "$title" | tr -c 'A-Za-z0-9' '-').png" 2>/dev/null
fi
for key in "$@"; do
  case $key in
    type:*) xdotool type --delay 30 "${key#type:}" ;;
    *) xdotool key "$key" ;;
  esac
  sleep 0.2
done
for _ in $(seq 50); do
  if [ -z "$(visible)" ]; then
    sleep 0.2
    [ -z "$(visible)" ] && exit 0
  fi
  sleep 0.2
done
echo "$title (still open after the keys)" > "$seen"
xdotool windowfocus "$id" 2>/dev/null
xdotool key Escape
# Escape may only close a popup inside it: then the window goes by force.
sleep 5
[ -n "$(visible)" ] && xdotool windowkill "$id"
exit 0
