#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Slurm job array that counts a whole board in M parts, part K in array task K, each on all the cores Slurm
# gives it and with a save file of its own, so that a task requeued after a failure goes on where it stopped:
#   sbatch --array=1-64 count_parts_slurm.sh 21 64
#   cat part-*.out | paste -sd+ | bc           # once every task has ended: the whole count
#SBATCH --job-name=nqueens-parts
#SBATCH --cpus-per-task=8
#SBATCH --output=part-%A-%a.out
set -euo pipefail
n=$1
parts=$2
part=$SLURM_ARRAY_TASK_ID
exec nqueens count "$n" --part "$part/$parts" --save "part-$n-$part-of-$parts.txt" --jobs "${SLURM_CPUS_PER_TASK:-1}"
