# Sourced by the scripts that play the program with windows on a private X
# server (the GUI test, the README's screenshot). They set `work` (their
# temporary folder) and `app_pid` (the program, once started) and call:
#   start_private_display   Xvfb on a free display number, DISPLAY exported once
#                           it takes clients; its messages go to xvfb.txt here.
#                           Its screen is 1920x1200, or `private_screen` (WxH).
#   end_private_display     stops the program and the server, removes `work`;
#                           meant for `trap end_private_display EXIT`.

xvfb_pid=""
app_pid=""

start_private_display() {
	# -noreset: by default the server starts afresh whenever its last client
	# leaves, and refuses connections meanwhile; the check below is such a
	# client, so the program, coming right after it, was at times turned away.
	Xvfb -displayfd 3 -screen 0 "${private_screen:-1920x1200}x24" -nolisten tcp -noreset 3>display.txt 2>xvfb.txt &
	xvfb_pid=$!
	local i
	for ((i = 0; i < 100; i++)); do
		[ -s display.txt ] && break
		sleep 0.1
	done
	[ -s display.txt ] || return 1
	export DISPLAY=":$(head -n 1 display.txt)"
	# The server names its display a moment before it takes clients; on a busy
	# machine the program could come first and find nobody there.
	command -v xdotool >/dev/null || return 0
	for ((i = 0; i < 100; i++)); do
		xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
		sleep 0.1
	done
	return 1
}

end_private_display() {
	[ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
	[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
	wait 2>/dev/null
	rm -rf "$work"
}
