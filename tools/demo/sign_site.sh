#!/usr/bin/env bash
# Signs a built demo site as its operator would: the catalogue and every firmware package get a minisign
# signature beside them (<file>.minisig). The key pair is made in KEYDIR on first use (demo.pub, demo.key,
# without a password) and never leaves the build folder; the program trusts KEYDIR/demo.pub through
# YEROUP_TRUSTED_KEYS. The catalogue's signature also carries an expiry, DAYS (30 unless given) from now: past it
# the program refuses that catalogue, so a mirror cannot go on serving an old one for ever.
# Usage: sign_site.sh SITE KEYDIR [DAYS]
set -euo pipefail
if (($# < 2 || $# > 3)); then
  echo "usage: $0 SITE KEYDIR [DAYS]" >&2
  exit 2
fi
site=$1
keys=$2
days=${3:-30}
mkdir -p "$keys"
if [[ ! -f $keys/demo.key ]]; then
  minisign -G -W -p "$keys/demo.pub" -s "$keys/demo.key" >/dev/null
fi
count=0
while IFS= read -r -d '' file; do
  name=$(basename "$file")
  # The trusted comment carries the time of signing and the file's name, which the program checks; the
  # catalogue's also its expiry. minisign's default comment has the first two.
  if [[ $name == YEROMP3LiveUpdate.ini ]]; then
    now=$(date +%s)
    minisign -S -s "$keys/demo.key" -m "$file" \
      -t "$(printf 'timestamp:%s\tfile:%s\texpires:%s' "$now" "$name" $((now + days * 86400)))" >/dev/null
  else
    minisign -S -s "$keys/demo.key" -m "$file" >/dev/null
  fi
  count=$((count + 1))
done < <(find "$site/YEROMP3LiveUpdate" \( -name YEROMP3LiveUpdate.ini -o -name '*.zip' \) -type f -print0)
echo "signed $count files with $keys/demo.pub; the catalogue expires in $days days"
