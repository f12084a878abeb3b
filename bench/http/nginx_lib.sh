# Sourced by the fetch benchmarks: start_nginx FOLDER runs nginx on a free loopback port serving FOLDER/www (and
# FOLDER/www under /slow/ at 64 MiB/s), its access log FOLDER/access.log giving each request's URI, status and bytes
# sent. Sets port and nginx_pid for the caller, which stops it (kill "$nginx_pid").
# shellcheck shell=bash disable=SC2034
start_nginx() {
  local work=$1
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$work/www"
  cat >"$work/nginx.conf" <<CONF
master_process off;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  log_format sent '\$request_uri \$status \$bytes_sent';
  access_log $work/access.log sent;
  client_body_temp_path $work/body; proxy_temp_path $work/proxy; fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    location /slow/ { alias $work/www/; limit_rate 64m; }
  }
}
CONF
  nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
  nginx_pid=$!
  for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.05; done
}
