#!/usr/bin/env bash
# Signs a built demo site as its operator would: the catalogue and every firmware package get a minisign
# signature beside them (<file>.minisig). The key pair is made in KEYDIR on first use (demo.pub, demo.key,
# without a password) and never leaves the build folder; the program trusts KEYDIR/demo.pub through
# YEROUP_TRUSTED_KEYS.
# Usage: sign_site.sh SITE KEYDIR
set -euo pipefail
if (($# != 2)); then
  echo "usage: $0 SITE KEYDIR" >&2
  exit 2
fi
site=$1
keys=$2
mkdir -p "$keys"
if [[ ! -f $keys/demo.key ]]; then
  minisign -G -W -p "$keys/demo.pub" -s "$keys/demo.key" >/dev/null
fi
count=0
while IFS= read -r -d '' file; do
  # The default trusted comment carries the time of signing and the file's name, which the program checks.
  minisign -S -s "$keys/demo.key" -m "$file" >/dev/null
  count=$((count + 1))
done < <(find "$site/YEROMP3LiveUpdate" \( -name YEROMP3LiveUpdate.ini -o -name '*.zip' \) -type f -print0)
echo "signed $count files with $keys/demo.pub"
