#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Slurm job array that counts the subproblems of a split file, one line per array task, each on all the
# cores Slurm gives it. Submit from the folder that holds the split file:
#   nqueens split 20 --depth 2 > parts.txt       # 342 lines: within the default MaxArraySize of 1001
#   sbatch --array=1-$(wc -l < parts.txt) count_slurm.sh 20 parts.txt
#   cat count-*.out | paste -sd+ | bc          # once every task has ended: the whole count
#SBATCH --job-name=nqueens-count
#SBATCH --cpus-per-task=8
#SBATCH --output=count-%A-%a.out
set -euo pipefail
n=$1
parts=$2
part=$(sed -n "${SLURM_ARRAY_TASK_ID}p" "$parts")
exec nqueens count "$n" --fixed "$part" --jobs "${SLURM_CPUS_PER_TASK:-1}"
