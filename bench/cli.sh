#!/usr/bin/env bash
# The command line's rows: zelvora-cli as whole processes (start, key file,
# read, encrypt or decrypt, write to /dev/null), timed by hyperfine side by
# side, in one invocation per message size, with the command-line tools a
# user would reach for instead, with keys of the same kind: `age -a` with an
# ssh-rsa key and `gpg -a` with an rsa3072 key against our RSA-3072 keys, and
# age's own X25519 keys against our Ed25519 keys once zelvora-keygen makes
# them (`--type`).
# Every key is made anew for the run and thrown away with it. Each command
# also runs once alone under /usr/bin/time for its peak resident memory, and
# each decryption's output is compared with the message, so that a row can
# only time a command that works.
#
#   bench/cli.sh BIN OUT REPETITIONS
#
# ZELVORA_BENCH_SIZES picks some of the sizes (default "1KiB 1MiB 64MiB").
#
# Writes into OUT: cli-SIZE.json (hyperfine), cli-memory.jsonl (one object per
# command and size) and, when the Ed25519 rows cannot run, cli-skipped.txt
# saying why; bench/report.py turns them into rows.
set -euo pipefail
bin="$1"
out="$2"
repetitions="$3"

for tool in age age-keygen gpg gpgconf ssh-keygen hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null ||
        { echo "bench: $tool is missing (./scripts/install-deps.sh installs it)" >&2; exit 1; }
done

echo "making throw-away keys for the command line and its peers..." >&2
"$bin/zelvora-keygen" --no-passphrase --bits 3072 "$out/rsa" >/dev/null
ssh-keygen -q -t rsa -b 3072 -N '' -C zelvora-bench -f "$out/id_rsa"
# gpg's own home for the run: the user's keyrings and agent stay untouched.
export GNUPGHOME="$out/gnupg"
mkdir -m 700 "$GNUPGHOME"
# Decryption starts an agent in that home; it must go before the folder does.
trap 'gpgconf --kill all >/dev/null 2>&1 || true' EXIT
gpg_user=bench@zelvora.invalid
gpg --batch --quiet --passphrase '' --quick-gen-key "Zelvora bench <$gpg_user>" \
    rsa3072 encrypt,sign never 2>/dev/null

# Each runner: its encryption and decryption command, which read the file
# named after them and write standard output, so that hyperfine starts them
# without a shell (whose start-up it would have to subtract, a source of
# noise at 1 KiB); in the order hyperfine runs them.
runners=("ours RSA-3072" "age RSA-3072" "gpg RSA-3072")
declare -A encrypt decrypt
encrypt["ours RSA-3072"]="$bin/zelvora-cli encrypt --to $out/rsa.pkey"
decrypt["ours RSA-3072"]="$bin/zelvora-cli decrypt --key $out/rsa.skey"
encrypt["age RSA-3072"]="age -a -R $out/id_rsa.pub"
decrypt["age RSA-3072"]="age -d -i $out/id_rsa"
encrypt["gpg RSA-3072"]="gpg -a --batch --pinentry-mode loopback --trust-model always \
-e -r $gpg_user -o -"
decrypt["gpg RSA-3072"]="gpg -d --batch --pinentry-mode loopback"

# The Ed25519 rows turn on by themselves once the key generator can make
# such keys.
if "$bin/zelvora-keygen" --help 2>&1 | grep -q -- '--type'; then
    "$bin/zelvora-keygen" --no-passphrase --type ed25519 "$out/ed25519" >/dev/null
    age-keygen -o "$out/x25519.key" 2>/dev/null
    runners+=("ours Ed25519" "age Ed25519")
    encrypt["ours Ed25519"]="$bin/zelvora-cli encrypt --to $out/ed25519.pkey"
    decrypt["ours Ed25519"]="$bin/zelvora-cli decrypt --key $out/ed25519.skey"
    encrypt["age Ed25519"]="age -a -r $(age-keygen -y "$out/x25519.key")"
    decrypt["age Ed25519"]="age -d -i $out/x25519.key"
else
    echo "Ed25519 rows skipped: zelvora-keygen has no --type option yet, so there" \
        "are no Ed25519 keys to hold against age's X25519 keys." | tee "$out/cli-skipped.txt" >&2
fi

# Every runner decrypts its own ciphertext.
ciphertext_of() {
    echo "$out/ciphertext-$1-$2" | tr ' ' _
}

# Peak resident memory (KiB) of one run of COMMAND on INPUT, its output going
# to OUTPUT; time's child is the program itself, not a shell.
peak_kib() {
    local command="$1" input="$2" output="$3"
    bash -c "exec /usr/bin/time -f %M -o $out/rss $command $input > $output 2> $out/stderr" ||
        { cat "$out/stderr" >&2; echo "bench: '$command' failed" >&2; return 1; }
    cat "$out/rss"
}

for size in ${ZELVORA_BENCH_SIZES:-1KiB 1MiB 64MiB}; do
    case "$size" in
        1KiB) bytes=$((1 << 10)) runs=10 warmup=1 ;;
        1MiB) bytes=$((1 << 20)) runs=4 warmup=1 ;;
        # The memory runs just read these files and started these programs.
        64MiB) bytes=$((64 << 20)) runs=2 warmup=0 ;;
    esac
    echo "running command line and peers, $size..." >&2
    # Printable text in mail-sized lines, as a message would be.
    message="$out/message-$size"
    head -c $((bytes / 4 * 3)) /dev/urandom | base64 -w 76 >"$message"
    truncate -s "$bytes" "$message"

    names=()
    commands=()
    for runner in "${runners[@]}"; do
        ciphertext="$(ciphertext_of "$runner" "$size")"
        bash -c "${encrypt[$runner]} $message > $ciphertext"
        encrypt_kib="$(peak_kib "${encrypt[$runner]}" "$message" /dev/null)"
        decrypt_kib="$(peak_kib "${decrypt[$runner]}" "$ciphertext" "$out/plaintext")"
        cmp -s "$out/plaintext" "$message" ||
            { echo "bench: $runner did not give back the $size message" >&2; exit 1; }
        for op in encrypt decrypt; do
            kib="${op}_kib"
            printf '{"size": "%s", "command": "%s", "peak_kib": %d}\n' \
                "$size" "${runner/ / $op }" "${!kib}" >>"$out/cli-memory.jsonl"
        done
        names+=("${runner/ / encrypt }" "${runner/ / decrypt }")
        commands+=("${encrypt[$runner]} $message" "${decrypt[$runner]} $ciphertext")
    done
    # Hyperfine runs each listed command's runs one after another, so a
    # change of load on the machine would fall on one command alone. Every
    # command is therefore listed once per repetition, the order reversed
    # every other time, and the report takes the median over all its runs.
    args=()
    for ((round = 0; round < repetitions; ++round)); do
        for ((i = 0; i < ${#names[@]}; ++i)); do
            j=$((round % 2 ? ${#names[@]} - 1 - i : i))
            args+=(-n "${names[j]}" "${commands[j]}")
        done
    done
    rm -f "$out/plaintext" "$out/stderr" "$out/rss"
    # Their output goes to /dev/null.
    hyperfine -N --style none --warmup "$warmup" --runs "$runs" \
        --export-json "$out/cli-$size.json" "${args[@]}" >/dev/null 2>"$out/cli.err" || { cat "$out/cli.err" >&2; exit 1; }
    # The ciphertexts of 64 MiB take some 400 MiB of disk.
    rm -f "$message" "$out"/ciphertext-*
done
