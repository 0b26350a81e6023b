#!/usr/bin/env bash
# Set-up and jobs on a fresh Debian machine.
#   ./tarn.sh test   installs what the build needs, builds, and runs the whole test suite twice: a normal
#                    build with g++ and one under AddressSanitizer + UndefinedBehaviorSanitizer with clang
#   ./tarn.sh demo   installs, builds what the demo runs (tarnhost and the plug-in) and runs the demo script:
#                    tarnhost (the stand-in CAD host) with the simulated map application on the sample drawing
#   ./tarn.sh build  installs and builds the normal build only
#   ./tarn.sh bench  installs, builds the benchmarks in the normal build and runs every one, each ending with
#                    the ratios of the project's times to its anchor's (OpenSSL's MD5, memcpy, dxflib; then
#                    ezdxf by bench/ezdxf_read.py); the drawing files they read are made first if missing
#   ./tarn.sh fuzz [seconds]  installs clang, builds the fuzz targets with libFuzzer, ASan and UBSan in
#                    build/fuzz and runs each for the given time (default 60); new finds stay in
#                    build/fuzz/found/<target>, crash inputs in build/fuzz/crashes/<target>
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config libpng-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
    libssl-dev libdxflib-dev python3)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

# Every core builds and runs tests unless TARN_JOBS asks for fewer (a shared machine).
jobs=$(nproc 2>/dev/null || echo 2)
if [ -n "${TARN_JOBS:-}" ]; then
    if ! [[ "$TARN_JOBS" =~ ^[1-9][0-9]*$ ]]; then
        echo "TARN_JOBS must be a whole number above 0, not \"$TARN_JOBS\"" >&2
        exit 2
    fi
    if [ "$TARN_JOBS" -lt "$jobs" ]; then
        jobs=$TARN_JOBS
    fi
fi

configure() {   # dir, extra cmake args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DTARN_WERROR=ON "$@" >/dev/null
}

configure_and_build() {   # dir, extra cmake args...
    configure "$@"
    cmake --build "$1" -j "$jobs"
}

# Every job that uses build/release configures it alike: a change of compiler or build type would make CMake
# delete the cache and the next job build everything again.
release_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++)

run_tests() {   # dir
    (cd "$1" && ctest -j "$jobs" --output-on-failure --timeout 600)
}

# clang and its runtime (sanitizers, libFuzzer) build the fuzz targets and the test job's sanitizer build;
# everything else builds with g++.
fuzz_packages=(clang libclang-rt-14-dev)

fuzz() {   # seconds
    local seconds=${1:-60}
    packages+=("${fuzz_packages[@]}")
    install_packages
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_SANITIZE=ON \
        -DTARN_FUZZ=ON -DTARN_BENCH=OFF >/dev/null
    cmake --build build/fuzz -j "$jobs" --target fuzz_all
    local status=0
    for binary in build/fuzz/fuzz/fuzz_*; do
        local name=${binary##*/fuzz_}
        local found=build/fuzz/found/$name crashes=build/fuzz/crashes/$name
        mkdir -p "$found" "$crashes"
        local dict=()
        [ -f "fuzz/dict/$name.dict" ] && dict=(-dict="fuzz/dict/$name.dict")
        local seeds=(fuzz/corpus/"$name")
        [ -d "fuzz/regress/$name" ] && seeds+=(fuzz/regress/"$name")
        case "$name" in dxf_read | dxf_round_trip) seeds+=(examples) ;; esac
        echo "== fuzz_$name for ${seconds}s"
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
            -artifact_prefix="$crashes/" "${dict[@]}" "$found" "${seeds[@]}" || status=1
    done
    return $status
}

job=${1:-test}
case "$job" in
    test)
        # One build a compiler: each compiler's warnings are errors, so both must pass. ezdxf reads every
        # drawing the end-to-end tests save, a reader apart from the stand-in's.
        packages+=("${fuzz_packages[@]}" python3-ezdxf)
        install_packages
        configure_and_build build/release "${release_args[@]}"
        configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON -DTARN_BENCH=OFF \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
        status=0
        echo "== normal build (g++)"
        run_tests build/release || status=1
        echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (clang)"
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            run_tests build/asan || status=1
        exit $status
        ;;
    build)
        install_packages
        configure_and_build build/release "${release_args[@]}"
        ;;
    demo)
        install_packages
        # Only what the demo runs: the host (the simulated map application runs inside it) and the plug-in.
        configure build/release "${release_args[@]}"
        cmake --build build/release -j "$jobs" --target tarnhost TarnArx
        # The demo saves its drawing beside the build, and keeps tarnhost's folders there too.
        cd build/release
        # The demo's user works with auto-sync and double-click properties on.
        mkdir -p demo-home/appdata
        cp ../../examples/demo-settings.ini demo-home/appdata/TarnArx_setting.ini
        exec host/tarnhost --home demo-home --script ../../examples/demo.tarn
        ;;
    fuzz)
        fuzz "${2:-60}"
        ;;
    bench)
        # ezdxf is an anchor of the drawing-file benchmark alone, timed by a script outside the build.
        packages+=(python3-ezdxf)
        install_packages
        configure build/release "${release_args[@]}"
        cmake --build build/release -j "$jobs" --target bench_all
        drawings=build/release/bench/drawings
        /usr/bin/python3 bench/make_dxf.py "$drawings"
        # One at a time: benchmarks running side by side would time each other. Each ratio is of medians of
        # five runs taken in shuffled order, so that a passing load on the machine moves both of its sides.
        for bench in build/release/bench/bench_*; do
            echo "== $(basename "$bench")"
            "$bench" --benchmark_color=false --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
                --benchmark_report_aggregates_only=true
        done
        echo "== ezdxf_read"
        # ezdxf and the project's reader and writer in turn on each file, five rounds a row.
        /usr/bin/python3 bench/ezdxf_read.py "$drawings" build/release/bench/bench_dxf_read
        ;;
    *)
        echo "usage: $0 test|demo|build|bench|fuzz [seconds]" >&2
        exit 2
        ;;
esac
